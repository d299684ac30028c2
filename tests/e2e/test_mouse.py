"""Mouse actions played into a real window: pointer motion that accelerates on
the server's 55 ms tick up to the mouse speed, clicks, and the left button
that latches when held about a second, for dragging."""

import statistics
import time
import unittest

import harness
from test_protocol import connect

TARGET_CLASS = "QuillantTarget"
MOUSE_MAPPING = [
    ("RIGHT", "MOUSE(RIGHT)"), ("LEFT", "MOUSE(LEFT)"), ("UP", "MOUSE(UP)"), ("DOWN", "MOUSE(DOWN)"),
    ("BUTTON", "MOUSE(BUTTON1)"), ("1", "MOUSE(BUTTON3)"), ("2", "MOUSE(BUTTON2)"),
]
TICK = 0.055
LATCH_HOLD = 1.6  # well past 19 ticks of 55 ms, even on a busy machine
# Where the pointer is put before each motion: inside the target's 800 x 600 window.
CENTRE = (400, 300)


def ramp(speed, count):
    """The step of each tick: 1, then + speed / 10 + 1 per tick, capped at the speed."""
    steps, step = [], 1
    for _ in range(count):
        steps.append(step)
        step = min(step + speed // 10 + 1, speed)
    return steps


def moves(events):
    return [e for e in events if e.name == "move"]


def position(event):
    return int(event.fields[0]), int(event.fields[1])


class MouseTestCase(harness.ServerTestCase):
    def start(self, s, speed=None):
        s.write_profile("Target.ini", harness.profile_text("Target", MOUSE_MAPPING, class_name=TARGET_CLASS))
        if speed is not None:
            s.set_dword("Mouse Speed", speed)
        self.target = s.start_target(class_name=TARGET_CLASS)
        s.start_server()
        self.phone = s.phone()
        connect(self, self.phone)
        self.phone.request_list()
        self.assertEqual(self.phone.select(self.target.hwnd), (self.target.hwnd, "Target"))

    def put_pointer(self, x, y):
        """Moves the pointer there and returns the number of events logged by then."""
        self.target.set_cursor(x, y)
        events = self.target.wait_events(lambda ev: moves(ev) and position(moves(ev)[-1]) == (x, y),
                                         what="pointer at %d,%d" % (x, y))
        return len(events)

    def hold(self, key, until_moves, mark):
        """Holds a phone key until `until_moves` moves arrived after event `mark`."""
        self.phone.key(key, "down")
        self.target.wait_events(lambda ev: len(moves(ev[mark:])) >= until_moves, what="%d moves" % until_moves)
        self.phone.key(key, "up")
        self.phone.sync_barrier()

    def steps_since(self, mark, start):
        """(dx, dy) of each move after event `mark`, starting from `start`."""
        out, last = [], start
        for event in moves(self.target.events()[mark:]):
            x, y = position(event)
            out.append((x - last[0], y - last[1]))
            last = (x, y)
        return out

    def assert_motion_stopped(self):
        # The release was handled before the sync echo; a tick already under way
        # may still land, but nothing may follow it.
        time.sleep(2 * TICK)
        settled = len(moves(self.target.events()))
        time.sleep(6 * TICK)
        self.assertEqual(len(moves(self.target.events())), settled, "the pointer kept moving after the release")


class MotionTest(MouseTestCase):
    def test_direction_keys_accelerate_to_the_set_speed_and_stop_on_release(self):
        speed = 30
        with self.server(start=False) as s:
            self.start(s, speed=speed)
            # (phone key, unit vector, start position, moves to wait for)
            directions = [("Right", (1, 0), (100, 300), 12),  # 1, 5, 9 ... 29, then 30 from the ninth on
                          ("Left", (-1, 0), CENTRE, 5),
                          ("Down", (0, 1), CENTRE, 5),
                          ("Up", (0, -1), CENTRE, 5)]
            for key, (ux, uy), start, count in directions:
                with self.subTest(key=key):
                    mark = self.put_pointer(*start)
                    self.hold(key, count, mark)
                    self.assert_motion_stopped()
                    steps = self.steps_since(mark, start)
                    self.assertGreaterEqual(len(steps), count)
                    self.assertEqual(steps, [(ux * n, uy * n) for n in ramp(speed, len(steps))])
                    if key == "Right":
                        times = [e.ns for e in moves(self.target.events()[mark:])]
                        gaps = [(b - a) / 1e9 for a, b in zip(times, times[1:])]
                        self.assertAlmostEqual(statistics.median(gaps), TICK, delta=0.015)

    def test_a_new_direction_restarts_the_ramp_and_any_release_stops_the_motion(self):
        with self.server(start=False) as s:
            self.start(s)  # no speed set: 100
            mark = self.put_pointer(100, 300)
            self.phone.key("Right", "down")
            self.target.wait_events(lambda ev: len(moves(ev[mark:])) >= 4, what="4 moves right")
            turn = len(self.target.events())
            self.phone.key("Down", "down")
            self.target.wait_events(lambda ev: len(moves(ev[turn:])) >= 1 and
                                    self.steps_since(mark, (100, 300))[-1][1] != 0, what="a move down")
            # Releasing the key that is no longer the direction stops the motion all the same.
            self.phone.key("Right", "up")
            self.phone.sync_barrier()
            self.assert_motion_stopped()
            steps = self.steps_since(mark, (100, 300))
            across = [dx for dx, dy in steps if dy == 0]
            downward = [dy for dx, dy in steps if dx == 0 and dy != 0]
            self.assertEqual(across, ramp(100, len(across)))
            self.assertEqual(downward, ramp(100, len(downward)))
            self.assertEqual(len(across) + len(downward), len(steps), steps)
            self.phone.key("Down", "up")
            self.assertEqual(self.phone.sync_barrier(), [])


class ButtonTest(MouseTestCase):
    def buttons(self, since=0):
        return [(e.fields[0], int(e.fields[1]), int(e.fields[2]))
                for e in self.target.events()[since:] if e.name == "button"]

    def wait_buttons(self, mark, count):
        self.target.wait_events(lambda ev: len([e for e in ev[mark:] if e.name == "button"]) >= count,
                                what="%d button events" % count)
        return self.buttons(mark)

    def test_clicks_and_a_latched_left_button_that_drags_until_the_next_press(self):
        with self.server(start=False) as s:
            self.start(s, speed=30)
            x, y = 200, 300
            mark = self.put_pointer(x, y)

            # Quick presses click; a hold well under 19 ticks is still a click.
            self.phone.key("Button")
            self.phone.key("Button", "down")
            time.sleep(8 * TICK)
            self.phone.key("Button", "up")
            self.phone.key("1")
            self.phone.key("2")
            self.assertEqual(self.wait_buttons(mark, 8),
                             [("ldown", x, y), ("lup", x, y), ("ldown", x, y), ("lup", x, y),
                              ("rdown", x, y), ("rup", x, y), ("mdown", x, y), ("mup", x, y)])

            # Held past 19 ticks, the release leaves the left button down: the moves
            # that follow drag, until the next quick press lets it go.
            mark = len(self.target.events())
            self.phone.key("Button", "down")
            time.sleep(LATCH_HOLD)
            self.phone.key("Button", "up")
            self.phone.sync_barrier()
            self.hold("Right", 4, mark)
            drag = moves(self.target.events()[mark:])
            self.assertTrue(all(e.fields[2] == "L" for e in drag), drag)
            self.assertEqual(self.buttons(mark), [("ldown", x, y)])
            end = position(drag[-1])
            self.assertGreater(end[0], x)
            self.phone.key("Button")
            self.assertEqual(self.wait_buttons(mark, 2), [("ldown", x, y), ("lup",) + end])
            self.assertEqual(self.phone.sync_barrier(), [])


if __name__ == "__main__":
    unittest.main()
