"""Slide shows driven from the phone under Wine, against the presentation
program's test double (pptdouble.py): the phone lists the open presentations,
selects one, gets its whole record, navigates, jumps, ends the show, switches
the pen, and follows what the presenter does at the PC. Every application-data
payload is checked byte for byte against the record it must carry."""

import sys
import time
import unittest

import harness
import pptdouble as pd
from harness import phonesim as ps
from pptdouble import Slide
from test_protocol import connect

NOTIFY_DELAY = 0.5
POLL_PERIOD = 3.0
# Slack on top of a timer for a loaded machine; a data message later than this
# came from some other path (a poll) or not from the timer asked for.
TIMER_SLACK = 1.0
# A change at the PC must show within one poll period, plus the same slack.
PC_CHANGE_LIMIT = POLL_PERIOD + 1.5
# A clock read before the write may differ by this much from the server's view.
CLOCK_TOLERANCE = 0.02

TALK = "Talk.ppt"
TALK2 = "Talk2.ppt"
DECK = "Deck.pptx"
EMPTY = "Empty.ppt"
NOT_AVAILABLE = "Not Available"
HIDDEN_TITLE = "(Hidden slide)"

# (slide as the program holds it, title the phone gets, notes the phone gets).
TALK_SLIDES = [
    (Slide("Welcome", notes="Say hi\r\nthen\tgo"), "Welcome", "Say hi\nthen go"),
    (Slide(None, notes="no title here"), "", "no title here"),
    (Slide("Secret", hidden=True, notes="hidden notes"), HIDDEN_TITLE, "hidden notes"),
    (Slide("Plan\rA\tB\nC\x0bD", notes="four"), "PlanA B C D", "four"),
    (Slide("Fin\u0096al \u00fc\u2713", notes="fin\u00e9"), "Fin-al \u00fc\u2713", "fin\u00e9"),
]
TALK2_SLIDES = [
    (Slide("Second talk", notes="other notes"), "Second talk", "other notes"),
    (Slide("Its end \U0001F600"), "Its end \U0001F600", ""),
]
DECK_SLIDES = [(Slide("Deck %d" % n, notes="deck notes %d" % n), "Deck %d" % n, "deck notes %d" % n) for n in (1, 2, 3)]


def slides_of(table):
    return [slide for slide, _, _ in table]


def payload(current, titles, running, name, notes):
    """The application-data payload of a slide-show record."""
    body = ps.u16(current) + ps.u16(len(titles)) + bytes([1 if running else 0])
    body += ps.utf16z(name) + ps.utf16z(notes)
    return body + b"".join(ps.utf16z(t) for t in titles)


class Show:
    """What the phone must see of one presentation: its id, its name on the
    phone, and per 1-based show position the record's slide and notes."""

    def __init__(self, app_id, show_name, table):
        self.app_id = app_id
        self.show_name = show_name
        self.titles = [title for _, title, _ in table]
        self.notes = [notes for _, _, notes in table]

    def record(self, position, running=True):
        """Position 1 is the first slide; count + 1 the end screen, which has no notes."""
        notes = self.notes[position - 1] if 1 <= position <= len(self.notes) else ""
        return payload(position - 1, self.titles, running, self.show_name, notes)


class SlideShowTest(harness.ServerTestCase):
    def start(self, session, presentations):
        """The double with `presentations` open, then the server, then a
        connected phone whose list request has been answered; returns the
        double, the phone and the document windows by title."""
        double = pd.PptDouble(session)
        double.register()
        double.start(presentations)
        self.addCleanup(double.stop)
        session.start_server()
        phone = session.phone()
        connect(self, phone)
        self.entries = phone.request_list()
        # A periodic refresh may have crossed the request: only lists may come before the barrier.
        extra = phone.sync_barrier()
        self.assertTrue(all(m.type == ps.APP_LIST for m in extra), [m.describe() for m in extra])
        return double, phone, self.documents(session)

    def documents(self, session):
        with pd.Client(session) as client:
            return {w["title"]: w["hwnd"] for w in client.windows() if w["kind"] == "document"}

    def screens(self, session):
        """The double's show windows as (title, foreground) pairs."""
        with pd.Client(session) as client:
            return [(w["title"], w["foreground"]) for w in client.windows() if w["kind"] == "screen"]

    def next_data(self, phone, app_id, limit=harness.EVENT_LIMIT):
        """The next message, which must be slide data of `app_id`."""
        msg = phone.recv(limit)
        if msg is None:
            self.fail("no application data within %.0f s" % limit)
        self.assertEqual(msg.type, ps.APP_DATA, msg.describe())
        self.assertEqual((msg.fields["app_id"], msg.fields["app_type"]), (app_id, ps.APP_TYPE_PRESENTATION),
                         msg.describe())
        return msg

    def assertRecord(self, msg, expected, what):
        """Field by field first (a readable failure), then every byte."""
        self.assertEqual(msg.fields["presentation"], ps.decode_presentation_data(expected), what)
        self.assertEqual(msg.fields["payload"], expected, what)

    def select(self, phone, app_id, name, read_in_steps=False):
        """Selects a presentation: its whole record comes first, then the
        confirmation with its name. A presentation longer than the refresh's
        first step (10 slides) is read over timer ticks, so that the server
        stays responsive: its record follows the confirmation. Returns the
        record's message."""
        phone.send(ps.encode_select(app_id))
        if not read_in_steps:
            data = self.next_data(phone, app_id)
        answer = phone.recv(harness.EVENT_LIMIT)
        self.assertIsNotNone(answer, "no confirmation of the selection")
        self.assertEqual(answer.type, ps.APP_SELECT, answer.describe())
        self.assertEqual((answer.fields["app_id"], answer.fields["name"]), (app_id, name))
        if read_in_steps:
            data = self.next_data(phone, app_id)
        return data

    def send_timed(self, phone, message):
        sent = time.monotonic()
        phone.send(message)
        return sent

    def expect_notified(self, phone, app_id, sent, what):
        """Slide data sent by the notification timer: not before 500 ms after
        the event that started it, and not much later."""
        msg = self.next_data(phone, app_id)
        delay = msg.when - sent
        self.assertBetween(delay, NOTIFY_DELAY - CLOCK_TOLERANCE, NOTIFY_DELAY + TIMER_SLACK, what)
        return msg

    def show_moves(self, double, mark):
        """The calls since `mark` that move or end a show (polls only read it)."""
        return [c for c in double.calls(mark) if c.type == "SlideShowView" and c.kind == "method"]

    def wait_for_list(self, phone, names, what):
        """Skips what the server sends until a list of exactly these names."""
        deadline = time.monotonic() + PC_CHANGE_LIMIT + harness.EVENT_LIMIT
        while True:
            msg = phone.recv(max(deadline - time.monotonic(), 0))
            if msg is None:
                self.fail("no list of %s: %s" % (names, what))
            if msg.type == ps.APP_LIST and sorted(e["name"] for e in msg.fields["entries"]) == sorted(names):
                return {e["name"]: e["app_id"] for e in msg.fields["entries"]}

    def test_program_is_not_started_by_the_server_and_is_reached_again_after_it_quit(self):
        with self.server(start=False) as s:
            double = pd.PptDouble(s)
            double.register()
            # What a double started through COM would open; none may start with the server.
            double.prepare([(TALK, slides_of(TALK_SLIDES))])
            self.addCleanup(double.stop)
            s.start_server()
            phone = s.phone()
            connect(self, phone)
            self.assertEqual(phone.request_list(), [])
            phone.sync_barrier()
            self.assertEqual((double.calls(), double.reply_lines()), ([], []), "the server started the program")

            # The program started at the PC, then again after it quit: each time the phone
            # gets that instance's slides, from the same server.
            for name, table in ((TALK, TALK_SLIDES), (DECK, DECK_SLIDES)):
                double.start([(name, slides_of(table))])
                app_id = self.wait_for_list(phone, [name], "%s opened" % name)[name]
                show = Show(app_id, TALK[:-4] if name == TALK else name, table)
                self.assertRecord(self.select(phone, app_id, name), show.record(1), "%s selected" % name)
                double.quit()
                self.wait_for_list(phone, [], "the program with %s quit" % name)

    def test_phone_selects_either_presentation_and_drives_its_show(self):
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(TALK, slides_of(TALK_SLIDES)), (TALK2, slides_of(TALK2_SLIDES))])
            self.assertEqual(sorted((e["name"], e["app_id"], e["app_type"], e["active"]) for e in self.entries),
                             [(TALK, docs[TALK], ps.APP_TYPE_PRESENTATION, False),
                              (TALK2, docs[TALK2], ps.APP_TYPE_PRESENTATION, False)])
            talk = Show(docs[TALK], "Talk", TALK_SLIDES)
            talk2 = Show(docs[TALK2], "Talk2", TALK2_SLIDES)

            # "Talk2.ppt"'s window title also contains "Talk": the longer name binds it.
            # Selecting starts the show and brings its window to the front.
            self.assertRecord(self.select(phone, talk2.app_id, TALK2), talk2.record(1), "Talk2 selected")
            self.assertEqual(double.query(TALK2)["running"], 1)
            self.assertEqual(self.screens(s), [("Slide Show - [%s]" % TALK2, 1)])

            self.assertRecord(self.select(phone, talk.app_id, TALK), talk.record(1), "Talk selected")
            self.assertIn(("Slide Show - [%s]" % TALK, 1), self.screens(s))

            # (key, show position after it). Slide 3 is hidden: the show passes it by.
            # Right on the last slide shows the end screen; Right there starts over.
            moves = [("Right", 2), ("Right", 4), ("Left", 2), ("Down", 5), ("Right", 6), ("Right", 1),
                     ("Left", 1), ("Down", 5), ("Up", 1)]
            for key, position in moves:
                sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code(key)))
                phone.send(ps.encode_key(ps.KEY_RELEASED, ps.key_code(key)))
                what = "%s to position %d" % (key, position)
                self.assertRecord(self.expect_notified(phone, talk.app_id, sent, what), talk.record(position), what)
                self.assertEqual(double.query(TALK)["position"], position, what)

            # Jumps from the slide list: (index, position after it). The hidden slide
            # and a slide that does not exist are refused, and the phone still hears
            # where the show is.
            mark = double.mark()
            jumps = [(3, 4), (2, 4), (0, 1), (200, 1), (4, 5)]
            for index, position in jumps:
                sent = self.send_timed(phone, ps.encode_list_box(1, index, talk.titles[index % 5]))
                what = "jump to index %d" % index
                self.assertRecord(self.expect_notified(phone, talk.app_id, sent, what), talk.record(position), what)
                self.assertEqual(double.query(TALK)["position"], position, what)
            gotos = [c.args for c in double.calls(mark) if c.type == "SlideShowView" and c.dispid == 2021]
            self.assertEqual([args[0][1] for args in gotos], [4, 1, 201, 5])
            # Another list's choice is no jump and sends nothing.
            mark = double.mark()
            phone.send(ps.encode_list_box(2, 0, "x"))
            self.assertEqual([m.describe() for m in phone.quiet(NOTIFY_DELAY + TIMER_SLACK)], [], "list 2")
            self.assertEqual(self.show_moves(double, mark), [], "list 2")

            # The pen button switches the pointer; it sends nothing.
            for value, pointer in ((1, 2), (0, 0), (1, 2), (7, 2)):
                phone.send(ps.encode_button(2, value))
                self.assertEqual([m.describe() for m in phone.sync_barrier()], [], "pen button %d" % value)
                self.assertEqual(double.query(TALK)["pointer"], pointer, "pen button %d" % value)
            phone.send(ps.encode_button(3, 0))
            self.assertEqual([m.describe() for m in phone.sync_barrier()], [])
            self.assertEqual(double.query(TALK)["pointer"], 2, "another button")

            # Clear ends the show; a second Clear has no show to end and still reports.
            for attempt in ("Clear", "Clear again"):
                sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code("Clear")))
                data = self.expect_notified(phone, talk.app_id, sent, attempt).fields["presentation"]
                self.assertEqual((data["running"], data["total_slides"], data["show_name"], data["titles"]),
                                 (False, 5, "Talk", talk.titles), attempt)
                self.assertEqual(double.query(TALK)["running"], 0, attempt)
            self.assertNotIn(TALK, " ".join(title for title, _ in self.screens(s)))

            # A navigation key starts the show again, then moves it.
            sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code("Right")))
            self.assertRecord(self.expect_notified(phone, talk.app_id, sent, "Right restarts"), talk.record(2),
                              "Right restarts")
            self.assertIn(("Slide Show - [%s]" % TALK, 1), self.screens(s))

            # Where Next on the last slide ends the show, Right starts it again at once.
            double.end_screen(False)
            for key, position in (("Down", 5), ("Right", 1)):
                sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code(key)))
                self.assertRecord(self.expect_notified(phone, talk.app_id, sent, key), talk.record(position), key)
            self.assertEqual(double.query(TALK)["running"], 1)

            # Releases and keys without a meaning here change nothing and send nothing.
            mark = double.mark()
            for kind, key in ((ps.KEY_RELEASED, "Right"), (ps.KEY_PRESSED, "5"), (ps.KEY_PRESSED, "Menu")):
                phone.send(ps.encode_key(kind, ps.key_code(key)))
            self.assertEqual([m.describe() for m in phone.quiet(NOTIFY_DELAY + TIMER_SLACK)], [])
            self.assertEqual(self.show_moves(double, mark), [])
            self.assertEqual(double.query(TALK)["position"], 1)

    def test_pptx_and_empty_presentations_and_changes_made_at_the_pc_reach_the_phone(self):
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(DECK, slides_of(DECK_SLIDES)), (EMPTY, [])])
            self.assertEqual(sorted((e["name"], e["app_id"]) for e in self.entries),
                             [(DECK, docs[DECK]), (EMPTY, docs[EMPTY])])
            deck = Show(docs[DECK], DECK, DECK_SLIDES)

            # A show already running at the PC is taken as it stands.
            double.run(DECK)
            double.move(DECK, "goto", 3)
            self.assertRecord(self.select(phone, deck.app_id, DECK), deck.record(3), "Deck selected on slide 3")
            self.assertEqual(self.screens(s), [("Slide Show - [%s]" % DECK, 1)])
            sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code("Left")))
            self.assertRecord(self.expect_notified(phone, deck.app_id, sent, "Left"), deck.record(2), "Left")

            # The presenter at the PC: each change is sent at once by the next poll.
            changes = [(("next",), deck.record(3)), (("previous",), deck.record(2)),
                       (("goto", 1), deck.record(1)), (("exit",), None)]
            delays = []
            for how, expected in changes:
                double.move(DECK, *how)
                moved = time.monotonic()
                msg = self.next_data(phone, deck.app_id, limit=PC_CHANGE_LIMIT + harness.EVENT_LIMIT)
                delays.append(msg.when - moved)
                if expected is None:
                    self.assertFalse(msg.fields["presentation"]["running"], "show ended at the PC")
                else:
                    self.assertRecord(msg, expected, "PC %s" % (how,))
            double.run(DECK)
            moved = time.monotonic()
            msg = self.next_data(phone, deck.app_id, limit=PC_CHANGE_LIMIT + harness.EVENT_LIMIT)
            delays.append(msg.when - moved)
            self.assertRecord(msg, deck.record(1), "show started at the PC")
            sys.stderr.write("PC change -> phone: %s s\n" % ", ".join("%.2f" % d for d in delays))
            self.assertLess(max(delays), PC_CHANGE_LIMIT, "PC change -> phone delays %s" % delays)

            # Nothing changes: the polls send nothing.
            self.assertEqual([m.describe() for m in phone.quiet(POLL_PERIOD + 1.0)], [])

            # A presentation without slides: nothing to show, and a key starts nothing
            # but still reports, after the usual delay.
            empty_id = docs[EMPTY]
            not_running = payload(0, [], False, "Empty", "")
            self.assertRecord(self.select(phone, empty_id, EMPTY), not_running, "Empty selected")
            sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code("Right")))
            self.assertRecord(self.expect_notified(phone, empty_id, sent, "Right on Empty"), not_running,
                              "Right on Empty")
            self.assertEqual(double.query(EMPTY)["running"], 0)
            self.assertEqual([t for t, _ in self.screens(s)], ["Slide Show - [%s]" % DECK])

    def test_burst_of_keys_gives_one_data_message_500_ms_after_the_last(self):
        slides = [(Slide("S%d" % n), "S%d" % n, "") for n in range(1, 11)]
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(TALK, slides_of(slides))])
            show = Show(docs[TALK], "Talk", slides)
            self.assertRecord(self.select(phone, show.app_id, TALK), show.record(1), "selected")

            # Keys closer than the delay: the timer starts over with each one.
            gap = 0.15
            for burst, (key, count, position) in enumerate([("Right", 4, 5), ("Left", 3, 2), ("Right", 8, 10)]):
                what = "burst %d: %d x %s" % (burst, count, key)
                sent = []
                for _ in range(count):
                    sent.append(self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code(key))))
                    phone.send(ps.encode_key(ps.KEY_RELEASED, ps.key_code(key)))
                    time.sleep(gap)
                self.assertRecord(self.expect_notified(phone, show.app_id, sent[-1], what), show.record(position),
                                  what)
                self.assertEqual(double.query(TALK)["position"], position, what)
                self.assertEqual([m.describe() for m in phone.quiet(NOTIFY_DELAY + TIMER_SLACK)], [], what)

    def test_busy_program_is_not_available_until_it_answers_again(self):
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(TALK, slides_of(TALK_SLIDES)), (TALK2, slides_of(TALK2_SLIDES))])
            talk = Show(docs[TALK], "Talk", TALK_SLIDES)
            self.assertRecord(self.select(phone, talk.app_id, TALK), talk.record(1), "selected")

            double.busy(True)
            mark = double.mark()
            phone.key("Right")
            not_available = payload(0, [], False, NOT_AVAILABLE, "")
            self.assertRecord(self.next_data(phone, talk.app_id), not_available, "key while busy")
            # The key is ignored: only the busy probe was tried, and the show stays.
            self.assertFalse([c for c in double.calls(mark) if c.type != "Application"], double.calls(mark))

            # While busy, what comes is the same record (the poll), or lists the
            # program's rebuild leaves without its presentations.
            deadline = time.monotonic() + 2 * POLL_PERIOD + TIMER_SLACK
            while time.monotonic() < deadline:
                msg = phone.recv(deadline - time.monotonic())
                if msg is None:
                    break
                if msg.type == ps.APP_LIST:
                    self.assertEqual([e for e in msg.fields["entries"] if e["app_type"] == ps.APP_TYPE_PRESENTATION],
                                     [], "list while busy")
                else:
                    self.assertRecord(self.next_data_of(msg, talk.app_id), not_available, "while busy")
            double.busy(False)
            self.assertEqual(double.query(TALK)["position"], 1)

            # Answering again, the presentations are offered again and selecting one
            # gives its whole record; the show went on where it was.
            def offered():
                entries = phone.request_list()
                return sorted(e["name"] for e in entries) == [TALK, TALK2]
            harness.wait_until(offered, harness.EVENT_LIMIT, "the presentations offered again", poll=0.2)
            extra = phone.sync_barrier()
            self.assertTrue(all(m.type == ps.APP_LIST for m in extra), [m.describe() for m in extra])
            self.assertRecord(self.select(phone, talk.app_id, TALK), talk.record(1), "selected again")
            sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code("Right")))
            self.assertRecord(self.expect_notified(phone, talk.app_id, sent, "Right"), talk.record(2), "Right")

    def test_presentation_closed_at_the_pc_leaves_the_list_and_its_keys_do_nothing(self):
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(TALK, slides_of(TALK_SLIDES)), (TALK2, slides_of(TALK2_SLIDES))])
            talk = Show(docs[TALK], "Talk", TALK_SLIDES)
            self.assertRecord(self.select(phone, talk.app_id, TALK), talk.record(1), "selected")

            # The next tick polls the show (gone: not running) and then offers the list without it.
            double.close(TALK)
            limit = POLL_PERIOD + harness.EVENT_LIMIT
            self.assertRecord(self.next_data(phone, talk.app_id, limit), talk.record(1, running=False), "closed")
            self.assertEqual([e["name"] for e in phone.expect_list(limit)], [TALK2])

            # Nothing is selected now: keys and jumps go nowhere, and the closed
            # presentation cannot be selected.
            phone.key("Right")
            phone.send(ps.encode_list_box(1, 1, ""))
            phone.send(ps.encode_button(2, 1))
            self.assertEqual([m.describe() for m in phone.quiet(NOTIFY_DELAY + TIMER_SLACK)], [])
            self.assertEqual(phone.select(talk.app_id), (0, ""))
            talk2 = Show(docs[TALK2], "Talk2", TALK2_SLIDES)
            self.assertRecord(self.select(phone, talk2.app_id, TALK2), talk2.record(1), "Talk2 selected")

    def test_show_brought_forward_is_the_selected_presentations_own(self):
        # "Talk.ppt" is part of "MyTalk.ppt": the show window of the one must not
        # be taken for the other's.
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(TALK, [Slide("A"), Slide("B")]), ("MyTalk.ppt", [Slide("x")])])
            for name in (TALK, "MyTalk.ppt", TALK):
                self.select(phone, docs[name], name)
                self.assertIn(("Slide Show - [%s]" % name, 1), self.screens(s), "%s selected" % name)
            self.after_key(phone, docs[TALK], "Right")
            self.assertEqual(double.query(TALK)["position"], 2)
            self.assertIn(("Slide Show - [%s]" % TALK, 1), self.screens(s), "after Right")

    def test_pointer_codes_move_the_mouse_pointer_until_released(self):
        # A presentation without slides runs no show, so the pointer moves over
        # the target window, opened over the program's and recording where it goes.
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(EMPTY, [])])
            target = s.start_target(class_name="QuillantTarget")
            self.select(phone, docs[EMPTY], EMPTY)
            centre = (400, 300)
            for code, (ux, uy) in ((0xFF01, (-1, 0)), (0xFF02, (1, 0)), (0xFF03, (0, -1)), (0xFF04, (0, 1))):
                what = "pointer code 0x%04X" % code
                target.set_cursor(*centre)
                mark = len(target.wait_events(lambda ev: self.pointer_at(ev, centre), what="pointer at the centre"))
                phone.send(ps.encode_key(ps.KEY_PRESSED, code))
                target.wait_events(lambda ev: len(self.moves(ev[mark:])) >= 3, what=what)
                phone.send(ps.encode_key(ps.KEY_RELEASED, code))
                phone.sync_barrier()
                # The release was handled before the echo; one tick under way may still land.
                time.sleep(0.15)
                settled = len(self.moves(target.events()))
                time.sleep(0.35)
                self.assertEqual(len(self.moves(target.events())), settled, "%s: still moving" % what)
                last = centre
                for event in self.moves(target.events()[mark:]):
                    x, y = int(event.fields[0]), int(event.fields[1])
                    dx, dy = x - last[0], y - last[1]
                    self.assertTrue(dx * ux > 0 and dy == 0 if ux else dy * uy > 0 and dx == 0,
                                    "%s: step %d,%d" % (what, dx, dy))
                    last = (x, y)
            self.assertEqual([m.describe() for m in phone.quiet(0)], [])

    @staticmethod
    def moves(events):
        return [e for e in events if e.name == "move"]

    def pointer_at(self, events, point):
        moves = self.moves(events)
        return moves and (int(moves[-1].fields[0]), int(moves[-1].fields[1])) == point

    def next_data_of(self, msg, app_id):
        self.assertEqual(msg.type, ps.APP_DATA, msg.describe())
        self.assertEqual((msg.fields["app_id"], msg.fields["app_type"]), (app_id, ps.APP_TYPE_PRESENTATION))
        return msg

    def test_long_presentation_record_is_cut_whole_at_the_payload_limit(self):
        # 200 slides with titles over the 74-unit limit: far more than fits.
        long_titles = ["%03d " % n + "\u00e4" * 80 for n in range(1, 201)]
        slides = [(Slide(t, notes="n%d" % n), t[:74], "n%d" % n) for n, t in enumerate(long_titles, 1)]
        with self.server(start=False) as s:
            double, phone, docs = self.start(s, [(TALK, slides_of(slides))])
            show = Show(docs[TALK], "Talk", slides)
            for what, msg in (("selected", self.select(phone, show.app_id, TALK, read_in_steps=True)),
                              ("after Right", self.after_key(phone, show.app_id, "Right"))):
                position = 1 if what == "selected" else 2
                whole = show.record(position)
                data = msg.fields["payload"]
                # The payload ends on the last whole code unit within 10000 bytes (texts
                # start at an odd offset), and that unit is a terminator.
                self.assertEqual(len(data), 9999, what)
                self.assertEqual(data[:-2], whole[:9997], what)
                self.assertEqual(data[-2:], b"\x00\x00", what)
                record = msg.fields["presentation"]
                self.assertEqual((record["current_slide"], record["total_slides"], record["notes"]),
                                 (position - 1, 200, "n%d" % position), what)
                fitting = (9999 - 5 - 10 - len(ps.utf16z(record["notes"]))) // 150
                self.assertEqual(record["titles"][:fitting], show.titles[:fitting], what)
                self.assertEqual(len(record["titles"]), fitting + 1, what)
                self.assertTrue(show.titles[fitting].startswith(record["titles"][fitting]), what)

    def after_key(self, phone, app_id, key):
        sent = self.send_timed(phone, ps.encode_key(ps.KEY_PRESSED, ps.key_code(key)))
        return self.expect_notified(phone, app_id, sent, key)


if __name__ == "__main__":
    unittest.main()
