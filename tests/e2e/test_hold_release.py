"""What the phone holds down is let go when the phone is gone: a modifier-and-key mapping and
the pointer key held, then the phone disconnects, goes silent, selects again, or Windows ends
the session. The target window must get every key-up and the pointer must stop."""

import sys
import time
import unittest

import harness
from harness import phonesim as ps
from test_protocol import SERVER_CLOSES, SYNC, connect

TARGET_CLASS = "QuillantTarget"
CTRL, VK_A = 0x11, 0x41
MAPPING = [("1", "KEY(A,ctrl)"), ("Right", "MOUSE(RIGHT)")]
START = (100, 300)
WM_QUERYENDSESSION, WM_ENDSESSION = 0x11, 0x16
# A silent phone is asked after 2.5 s and given up 4.5 s later, on a 0.5 s tick.
SILENT_RELEASE_LIMIT = 10.0


def now_ns():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


def moves(events):
    return [e for e in events if e.name == "move"]


class HoldReleaseTest(harness.ServerTestCase):
    def start(self, s, answer_sync=False):
        s.write_profile("Target.ini", harness.profile_text("Target", MAPPING, class_name=TARGET_CLASS))
        s.set_dword("Mouse Speed", 10)  # slow, so the pointer stays inside the target for seconds
        self.target = s.start_target(class_name=TARGET_CLASS)
        s.start_server()
        self.phone = s.phone(answer_sync=answer_sync)
        connect(self, self.phone)
        self.phone.request_list()
        self.assertEqual(self.phone.select(self.target.hwnd), (self.target.hwnd, "Target"))

    def put_pointer(self):
        self.target.set_cursor(*START)
        self.target.wait_events(lambda ev: moves(ev) and tuple(map(int, moves(ev)[-1].fields[:2])) == START,
                                what="pointer at the start")
        return len(self.target.events())

    def hold_key_and_pointer(self):
        """Ctrl+A and the pointer key down; returns once the keys arrived and the pointer moves."""
        mark = self.put_pointer()
        self.phone.key("1", "down")
        self.phone.key("Right", "down")
        self.target.wait_events(lambda ev: len(moves(ev[mark:])) >= 3 and
                                [k[:2] for k in self.target.keys()][-2:] == [("down", CTRL), ("down", VK_A)],
                                what="Ctrl+A down and the pointer moving")
        return len(self.target.events())

    def assert_released(self, mark, since_ns, limit, what):
        """The target gets A up then Ctrl up after `mark`, and the pointer stops; returns the
        seconds from `since_ns` to the last key-up."""
        def released(events):
            ups = [e for e in events[mark:] if e.name == "key" and e.fields[0] in ("up", "sysup")]
            return [int(e.fields[1], 16) for e in ups] == [VK_A, CTRL]
        events = self.target.wait_events(released, limit=(limit or 0) + harness.EVENT_LIMIT, what="the key-ups " + what)
        last_up = [e for e in events[mark:] if e.name == "key"][-1]
        seconds = (last_up.ns - since_ns) / 1e9
        if since_ns:
            sys.stderr.write("%s: released after %.2f s\n" % (what, seconds))
            self.assertLess(seconds, limit, what)
        # The pointer stopped with the keys: a move already under way may land, none after it.
        settled = len(moves(self.target.events()))
        time.sleep(0.5)
        self.assertLessEqual(len(moves(self.target.events())) - settled, 1, "the pointer kept moving " + what)
        return seconds

    def test_disconnect_and_selecting_again_let_go_of_the_keys_and_the_pointer(self):
        with self.server(start=False) as s:
            self.start(s)
            mark = self.hold_key_and_pointer()
            self.assertEqual(self.phone.select(self.target.hwnd), (self.target.hwnd, "Target"))
            self.assert_released(mark, 0, None, "on selecting again")

            mark = self.hold_key_and_pointer()
            sent = now_ns()
            self.phone.send(ps.encode_disconnect(0))
            self.assert_released(mark, sent, 3.0, "on disconnect")
            self.assertEqual(self.phone.expect(SERVER_CLOSES).raw, SERVER_CLOSES)
            connect(self, self.phone)

    def test_a_silent_phone_is_asked_then_given_up_and_its_keys_let_go(self):
        with self.server(start=False) as s:
            self.start(s, answer_sync=False)
            mark = self.hold_key_and_pointer()
            silent_from = now_ns()
            self.assert_released(mark, silent_from, SILENT_RELEASE_LIMIT, "after the phone went silent")
            # It was asked first, then told the link is closed; a new connect works.
            got = [m.raw for m in self.phone.quiet(1.0)]
            self.assertEqual(got[:1], [SYNC], got)
            self.assertIn(SERVER_CLOSES, got)
            connect(self, self.phone)

    def test_a_phone_that_answers_keeps_the_pointer_moving_as_long_as_it_holds(self):
        hold_seconds = 12.0  # well past the silence after which the phone is asked
        with self.server(start=False) as s:
            self.start(s, answer_sync=True)
            mark = self.put_pointer()
            self.phone.key("Right", "down")
            held_until = time.monotonic() + hold_seconds
            while time.monotonic() < held_until:
                # Back to the start every 2 s, so the motion never reaches the window's edge;
                # each time the pointer must be seen moving on from there.
                mark = len(self.target.events())
                self.target.set_cursor(*START)

                def moving_from_start(events):
                    after = moves(events[mark:])
                    back = [i for i, e in enumerate(after) if int(e.fields[0]) <= START[0] + 30]
                    return back and len(after) - back[0] >= 4
                self.target.wait_events(moving_from_start, what="the pointer still moving")
                self.phone.quiet(2.0)  # reads (and answers) what the server sends meanwhile
            self.phone.key("Right", "up")
            self.assertEqual(self.phone.sync_barrier(), [])

    def test_the_end_of_the_windows_session_lets_go_and_says_goodbye(self):
        with self.server(start=False) as s:
            self.start(s)
            mark = self.hold_key_and_pointer()
            code, lines = s.wintool("post", "--class", "QuillantMainFrame", hex(WM_QUERYENDSESSION), 0, 0)
            self.assertEqual(code, 0, lines)
            self.assert_released(mark, 0, None, "at the end of the session")
            code, lines = s.wintool("post", "--class", "QuillantMainFrame", hex(WM_ENDSESSION), 1, 0)
            self.assertEqual(code, 0, lines)
            self.assertEqual(self.phone.expect(SERVER_CLOSES, harness.EVENT_LIMIT).raw, SERVER_CLOSES)
            self.assertEqual(s.server.wait_exit(harness.EVENT_LIMIT), 0)


if __name__ == "__main__":
    unittest.main()
