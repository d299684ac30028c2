"""The presentation program's test double on its own, without the server: a
client that connects as the server does calls every member by dispatch id,
moves shows, and watches the windows, the busy switch and the call log."""

import sys
import time
import unittest

import harness
import pptdouble as pd
from pptdouble import Slide, enc

TALK = "Talk.ppt"
SECOND = "Talk2.pptx"
EMPTY = "Empty.ppt"
WIDE_TITLE = "Gr\u00fc\u00dfe \u2713 \U0001F600"  # beyond Latin-1 and beyond 16 bits

TALK_SLIDES = [
    Slide("Plan\rA\tB", notes="a\r\nb\tc"),
    Slide(None),
    Slide("Secret", hidden=True, notes="only for me"),
    Slide("Fin\u0096al"),
]

P = "2001.get 0.method(BSTR:%s)" % TALK


def slide(n):
    return P + " 2011.get 0.method(I2:%d)" % n


def notes_shape(n, k):
    return slide(n) + " 2022.get 2003.get 0.method(I2:%d)" % k


def fail(step, code):
    return "fail %d 0x%08X" % (step, code)


EXC = pd.DISP_E_EXCEPTION

# Every member of the object model the server calls, with the kinds and
# argument types it uses, and the ways a wrong call must fail.
MEMBER_TABLE = [
    # Application and Presentations
    ("2001.get", "ok DISPATCH"),
    ("2001.get 11.get", "ok I4 2"),
    ("2001.get 0.method(I2:1) 2025.get", "ok BSTR " + TALK),
    ("2001.get 0.method(I2:2) 2025.get", "ok BSTR " + SECOND),
    ("2001.get 0.method(BSTR:talk.PPT) 2025.get", "ok BSTR " + TALK),
    ("2001.get 0.method(BSTR:Talk2) 2025.get", "ok BSTR " + SECOND),
    ("2001.get 0.method(BSTR:Talk2.ppt)", fail(2, EXC)),
    ("2001.get 0.method(I2:3)", fail(2, EXC)),
    ("2001.get 0.method(I2:0)", fail(2, EXC)),
    ("2001.get 0.method(I2:2) 2011.get 0.method(I2:1) 2003.get 2006.get 121.get 2004.get 0.get",
     "ok BSTR " + enc(WIDE_TITLE)),
    ("2001.get 0.method(I2:2) 2011.get 0.method(I2:1) 2022.get 2003.get 0.method(I2:3) 121.get 2004.get 0.get",
     "ok BSTR " + enc("eins\r\nzwei")),
    # Presentation, Slides, Slide
    (P + " 2011.get 11.get", "ok I4 4"),
    (P + " 2015.get", "ok DISPATCH"),
    (P + " 2047.get", fail(3, EXC)),  # no show runs
    (P + " 2011.get 0.method(I2:5)", fail(4, EXC)),
    (P + " 2011.get 0.method(BSTR:Secret)", fail(4, EXC)),
    (slide(1) + " 2003.get 2004.get", "ok I4 -1"),
    (slide(1) + " 2003.get 2006.get 121.get 2004.get 0.get", "ok BSTR " + enc("Plan\rA\tB")),
    (slide(4) + " 2003.get 2006.get 121.get 2004.get 0.get", "ok BSTR " + enc("Fin\u0096al")),
    (slide(2) + " 2003.get 2004.get", "ok I4 0"),
    (slide(2) + " 2003.get 2006.get", fail(6, EXC)),
    (slide(3) + " 2005.get 2007.get", "ok I4 -1"),
    (slide(1) + " 2005.get 2007.get", "ok I4 0"),
    # Notes page: slide image, empty placeholder, notes body
    (slide(1) + " 2022.get 2003.get 2.get", "ok I4 3"),
    (notes_shape(1, 1) + " 2014.get", "ok I4 0"),
    (notes_shape(1, 1) + " 121.get", fail(8, EXC)),
    (notes_shape(1, 2) + " 2014.get", "ok I4 -1"),
    (notes_shape(1, 2) + " 121.get 2003.get", "ok I4 0"),
    (notes_shape(1, 2) + " 121.get 2004.get 0.get", "ok BSTR "),
    (notes_shape(1, 3) + " 121.get 2003.get", "ok I4 -1"),
    (notes_shape(1, 3) + " 121.get 2004.get 0.get", "ok BSTR " + enc("a\r\nb\tc")),
    (notes_shape(2, 3) + " 121.get 2003.get", "ok I4 0"),
    (slide(1) + " 2022.get 2003.get 0.method(I2:4)", fail(7, EXC)),
    # Kinds and arguments
    ("2001.method", fail(1, pd.DISP_E_MEMBERNOTFOUND)),
    ("2001.methodget 11.get", "ok I4 2"),  # both kinds at once, as script hosts call
    ("2001.get 0.get(I2:1)", fail(2, pd.DISP_E_MEMBERNOTFOUND)),
    ("2001.get 0.method", fail(2, pd.DISP_E_BADPARAMCOUNT)),
    ("2001.get 0.method(I2:1,I2:1)", fail(2, pd.DISP_E_BADPARAMCOUNT)),
    ("2001.get 0.method(I4:2) 2025.get", "ok BSTR " + SECOND),
    ("2001.get 11.put(I4:1)", fail(2, pd.DISP_E_MEMBERNOTFOUND)),
    ("4242.get", fail(1, pd.DISP_E_MEMBERNOTFOUND)),
]

NAMES_TABLE = [
    ("names $app Presentations", "ok 2001"),
    ("names $app presentations", "ok 2001"),
    ("names $app Bogus", "fail 0x%08X -1" % pd.DISP_E_UNKNOWNNAME),
]


def matches(answer, expected):
    """Failures compare by step and code; an automation exception must also
    carry a description to the caller."""
    if not expected.startswith("fail "):
        return answer == expected
    words, want = answer.split(), expected.split()
    described = want[-1] == "0x%08X" % EXC
    return words[:len(want)] == want and len(words) == len(want) + (1 if described else 0)


def steps_made(chain, answer):
    """How many Invoke calls a chain made: all its steps, or up to the failing one."""
    if answer.startswith("fail "):
        return int(answer.split()[1])
    return len(chain.split())


# What a call reports once the program it went to has ended.
SERVER_GONE = ("0x80010108", "0x800706BA", "0x80010007", "0x80010012", "0x800401FD")


class PptDoubleTest(harness.ServerTestCase):
    def start(self, session, presentations):
        double = pd.PptDouble(session)
        double.register()
        double.start(presentations)
        self.addCleanup(double.stop)
        client = pd.Client(session)
        self.addCleanup(client.close)
        client.connect()
        return double, client

    def assertAnswer(self, answer, expected, msg=None):
        self.assertTrue(matches(answer, expected), "%s: got %r, expected %r" % (msg or "answer", answer, expected))

    def screens(self, client):
        return [w for w in client.windows() if w["kind"] == "screen"]

    def position(self, client, view="$v"):
        answer = client.call(view + " 2027.get")
        self.assertTrue(answer.startswith("ok I4 "), answer)
        return int(answer.split()[2])

    def test_every_member_answers_by_dispatch_id_and_each_call_is_logged(self):
        with self.server(start=False) as s:
            double, client = self.start(s, [(TALK, TALK_SLIDES), (SECOND, [Slide(WIDE_TITLE, notes="eins\r\nzwei")])])
            mark = double.mark()
            answers = [(chain, client.call(chain), expected) for chain, expected in MEMBER_TABLE + NAMES_TABLE]
            wrong = ["%s\n    got %s\n    expected %s" % a for a in answers if not matches(a[1], a[2])]
            self.assertEqual(wrong, [], "members that answered wrongly")

            probe = client.call("2032.get")
            self.assertTrue(probe.startswith("ok I4 "), probe)

            # One log line per Invoke, with the object, kind and argument types as sent.
            calls = double.calls(mark)
            invokes = [c for c in calls if isinstance(c.dispid, int)]
            self.assertEqual(len(invokes), sum(steps_made(c, a) for c, a, _ in answers if c[0] != "n") + 1)
            self.assertEqual([c.args for c in calls if c.dispid == "names"],
                             [["Presentations"], ["presentations"], ["Bogus"]])
            by_item = [(c.type, c.kind, c.args, c.outcome) for c in invokes if c.type == "Presentations" and c.dispid == 0]
            self.assertIn(("Presentations", "method", [("I2", 1)], "ok:Presentation"), by_item)
            self.assertIn(("Presentations", "method", [("BSTR", "talk.PPT")], "ok:Presentation"), by_item)
            self.assertIn(("Presentations", "get", [("I2", 1)], "fail:0x%08X" % pd.DISP_E_MEMBERNOTFOUND), by_item)
            title = [c for c in invokes if c.type == "TextRange" and c.path == TALK + "/1/slide/1"]
            self.assertEqual([(c.kind, c.outcome) for c in title], [("get", "ok:BSTR:" + enc("Plan\rA\tB"))])

            # The windows the server looks for: one document window per presentation.
            windows = client.windows()
            frames = [w for w in windows if w["kind"] == "frame"]
            self.assertEqual([(w["hwnd"], w["visible"], w["popup"]) for w in frames], [(double.hwnd, 1, 0)])
            self.assertEqual([w["parent"] for w in windows if w["kind"] == "mdiclient"], [double.hwnd])
            self.assertEqual(sorted(w["title"] for w in windows if w["kind"] == "document"), [TALK, SECOND])
            self.assertEqual(self.screens(client), [])

            # Documents follow presentations opened and closed at run time.
            double.open("Third.ppt", [Slide("x")])
            double.close(SECOND)
            self.assertEqual(double.names(), [TALK, "Third.ppt"])
            self.assertEqual(sorted(w["title"] for w in client.windows() if w["kind"] == "document"),
                             [TALK, "Third.ppt"])
            self.assertEqual(client.call("2001.get 0.method(I2:2) 2025.get"), "ok BSTR Third.ppt")

    def test_show_runs_moves_and_ends_through_the_view_and_at_the_pc(self):
        with self.server(start=False) as s:
            double, c = self.start(s, [(TALK, TALK_SLIDES), (EMPTY, [])])
            self.assertEqual(c.call("$s = %s 2015.get" % P), "ok DISPATCH")
            self.assertEqual(c.call("$s 2008.method"), "ok DISPATCH")
            screens = self.screens(c)
            self.assertEqual([(w["title"], w["visible"]) for w in screens], [("Slide Show - [%s]" % TALK, 1)])
            self.assertEqual(c.call("$v = %s 2047.get 2003.get" % P), "ok DISPATCH")

            # Slide 3 is hidden: Next and Previous pass it by, a jump does not;
            # past the last slide comes the end screen, count + 1.
            moves = [("start", None, 1), ("next", "2019.method", 2), ("next", "2019.method", 4),
                     ("previous", "2020.method", 2), ("next", "2019.method", 4), ("next", "2019.method", 5),
                     ("previous", "2020.method", 4), ("first", "2017.method", 1), ("previous", "2020.method", 1),
                     ("last", "2018.method", 4), ("goto", "2021.method(I4:3,I4:0)", 3),
                     ("goto one argument", "2021.method(I4:1)", 1)]
            trail = []
            for name, step, _ in moves:
                if step:
                    self.assertEqual(c.call("$v " + step), "ok EMPTY", name)
                trail.append((name, self.position(c)))
            self.assertEqual(trail, [(name, position) for name, _, position in moves])
            self.assertAnswer(c.call("$v 2021.method(I4:9,I4:0)"), fail(1, EXC))
            self.assertAnswer(c.call("$v 2021.method(I4:0,I4:0)"), fail(1, EXC))

            # The pen: a put names its value; a put without that name does nothing.
            mark = double.mark()
            self.assertEqual(c.call("$v 2005.put(I4:2)"), "ok EMPTY")
            self.assertEqual(double.query(TALK)["pointer"], 2)
            self.assertAnswer(c.call("$v 2005.putbare(I4:0)"), fail(1, pd.DISP_E_PARAMNOTFOUND))
            self.assertEqual(c.call("$v 2005.get"), "ok I4 2")
            put = [(x.kind, x.args, x.named) for x in double.calls(mark) if x.dispid == 2005]
            self.assertEqual(put, [("put", [("I4", 2)], [-3]), ("put", [("I4", 0)], []), ("get", [], [])])

            # The presenter at the PC moves and ends the show; a new show has new objects.
            double.move(TALK, "next")
            self.assertEqual(self.position(c), 2)
            double.move(TALK, "goto", 4)
            self.assertEqual(self.position(c), 4)
            double.move(TALK, "exit")
            self.assertAnswer(c.call("$v 2027.get"), fail(1, EXC))
            self.assertAnswer(c.call(P + " 2047.get"), fail(3, EXC))
            self.assertEqual(self.screens(c), [])
            double.run(TALK)
            self.assertEqual(len(self.screens(c)), 1)
            self.assertAnswer(c.call("$v 2027.get"), fail(1, EXC))
            self.assertEqual(c.call("$v = %s 2047.get 2003.get" % P), "ok DISPATCH")
            self.assertEqual(self.position(c), 1)

            # Next on the end screen ends the show, as a click there does.
            for step in ("2018.method", "2019.method", "2019.method"):
                self.assertEqual(c.call("$v " + step), "ok EMPTY")
            self.assertAnswer(c.call(P + " 2047.get"), fail(3, EXC))
            self.assertEqual(self.screens(c), [])

            # Without the end screen, Next on the last slide ends the show at once.
            double.end_screen(False)
            self.assertEqual(c.call("$s 2008.method"), "ok DISPATCH")
            self.assertEqual(c.call("$v = %s 2047.get 2003.get" % P), "ok DISPATCH")
            self.assertEqual(c.call("$v 2018.method"), "ok EMPTY")
            self.assertEqual(c.call("$v 2019.method"), "ok EMPTY")
            self.assertAnswer(c.call(P + " 2047.get"), fail(3, EXC))

            # Run on a running show starts it over in the same window; Exit ends it.
            double.run(TALK)
            double.move(TALK, "goto", 4)
            self.assertEqual(c.call("$v = %s 2015.get 2008.method 2003.get" % P), "ok DISPATCH")
            self.assertEqual(self.position(c), 1)
            self.assertEqual(len(self.screens(c)), 1)
            self.assertEqual(c.call("$v 2025.method"), "ok EMPTY")
            self.assertEqual(self.screens(c), [])
            self.assertEqual(double.query(TALK)["running"], 0)

            # A presentation without slides has no show to run.
            self.assertAnswer(c.call("2001.get 0.method(BSTR:%s) 2015.get 2008.method" % EMPTY), fail(4, EXC))
            self.assertEqual(self.screens(c), [])

    def test_busy_faults_and_objects_whose_presentation_or_slide_went_away(self):
        with self.server(start=False) as s:
            double, c = self.start(s, [(TALK, TALK_SLIDES), (SECOND, [Slide("Only")])])
            self.assertEqual(c.call("$p = " + P), "ok DISPATCH")
            self.assertEqual(c.call("$sl = " + slide(2)), "ok DISPATCH")

            # Busy: every call is rejected at once, then all is well again.
            double.busy(True)
            rejected = "0x%08X" % pd.RPC_E_CALL_REJECTED
            for chain in ("2032.get", "2001.get 11.get", "$p 2025.get"):
                self.assertAnswer(c.call(chain), "fail 1 " + rejected, chain)
            self.assertEqual(c.call("names $app Presentations"), "fail %s -1" % rejected)
            double.busy(False)
            self.assertTrue(c.call("2032.get").startswith("ok I4 "))
            probes = [x.outcome for x in double.calls() if x.dispid == 2032]
            self.assertEqual(probes[0], "fail:" + rejected)
            self.assertTrue(probes[-1].startswith("ok:I4:"), probes)

            # One member made to fail raises an automation exception; the others still answer.
            double.fail("Slide", 2003)
            self.assertAnswer(c.call(slide(1) + " 2003.get"), fail(5, EXC))
            self.assertEqual(c.call(slide(1) + " 2005.get 2007.get"), "ok I4 0")
            double.heal()
            self.assertEqual(c.call(slide(1) + " 2003.get 2004.get"), "ok I4 -1")

            # A slide object follows its slide when slides before it go, and dies with it.
            double.remove_slide(TALK, 1)
            self.assertEqual(c.call(slide(1) + " 2003.get 2004.get"), "ok I4 0")
            self.assertEqual(c.call("$sl 2005.get 2007.get"), "ok I4 0")
            double.set_slide(TALK, 1, Slide("Now titled", hidden=True))
            self.assertEqual(c.call("$sl 2005.get 2007.get"), "ok I4 -1")
            double.remove_slide(TALK, 1)
            self.assertAnswer(c.call("$sl 2005.get"), fail(1, EXC))

            # Closing a presentation ends its show and its document window; its objects
            # stay dead even when a presentation of the same name opens again.
            self.assertEqual(c.call("$p 2015.get 2008.method"), "ok DISPATCH")
            self.assertEqual(len(self.screens(c)), 1)
            double.close(TALK)
            self.assertAnswer(c.call("$p 2025.get"), fail(1, EXC))
            windows = c.windows()
            self.assertEqual([w["title"] for w in windows if w["kind"] in ("document", "screen")], [SECOND])
            double.open(TALK, [Slide("again"), Slide("more")])
            self.assertAnswer(c.call("$p 2025.get"), fail(1, EXC))
            self.assertEqual(c.call("2001.get 11.get"), "ok I4 2")

            # Slides deleted under a running show: it keeps to what exists, and
            # ends with the last slide.
            double.run(TALK)
            double.move(TALK, "goto", 2)
            double.remove_slide(TALK, 2)
            self.assertEqual(c.call(P + " 2047.get 2003.get 2027.get"), "ok I4 2")  # the end screen
            double.remove_slide(TALK, 1)
            self.assertEqual(double.query(TALK)["running"], 0)
            self.assertEqual(self.screens(c), [])

            # Bad commands are refused with a reason and change nothing.
            for words in (("open", enc(TALK)), ("show", enc(SECOND), "next"), ("add-slide", enc(TALK), "colour=red"),
                          ("fail", "Nothing", "1"), ("set-slide", enc(TALK), "7", "hidden=1"), ("open", "%ZZ")):
                with self.assertRaises(harness.HarnessError, msg=words):
                    double.command(*words)
            self.assertEqual(double.names(), [SECOND, TALK])

    def test_com_starts_the_double_when_none_runs_and_clients_share_it(self):
        with self.server(start=False) as s:
            double = pd.PptDouble(s)
            double.register()
            double.prepare([(TALK, [Slide("One")])])
            with pd.Client(s) as first:
                started = time.monotonic()
                first.connect()
                activation = time.monotonic() - started
                sys.stderr.write("activation of the double by COM: %.2f s\n" % activation)
                double.wait_ready(limit=1)  # it registered before it could answer
                self.assertEqual(first.call(P + " 2011.get 11.get"), "ok I4 1")
                with pd.Client(s) as second:
                    second.connect()
                    self.assertEqual(second.call("$w = %s 2015.get 2008.method" % P), "ok DISPATCH")
                    self.assertEqual(first.call(P + " 2047.get 2003.get 2027.get"), "ok I4 1")
            self.assertEqual([x.dispid for x in double.calls()].count("create"), 2)
            self.assertEqual(sum(line.startswith("ready ") for line in double.reply_lines()), 1)
            double.quit()

    def test_running_double_is_in_the_running_object_table_until_it_quits(self):
        with self.server(start=False) as s:
            double = pd.PptDouble(s)
            double.register()
            double.prepare()
            self.addCleanup(double.stop)
            with pd.Client(s) as c:
                # Nothing runs: attaching finds nothing and starts nothing.
                answer = c.call("attach 100").split()
                self.assertEqual(answer[:2], ["fail", "0x800401E3"], answer)  # MK_E_UNAVAILABLE
                sys.stderr.write("attach with no program running: %s ms\n" % answer[2])
                self.assertEqual(double.reply_lines(), [])
                double.start([(TALK, [Slide("One")])])
                answer = c.call("attach 100").split()
                self.assertEqual(answer[0], "ok", answer)
                sys.stderr.write("attach to the running double: %s ms\n" % answer[1])
                self.assertEqual(c.call("2001.get 11.get"), "ok I4 1")
                double.quit()
                # A call through the object of a program that quit reports it gone.
                answer = c.call("2001.get 11.get").split()
                sys.stderr.write("call after the double quit: %s\n" % " ".join(answer))
                self.assertIn(answer[2] if answer[0] == "fail" else None, SERVER_GONE, answer)
                self.assertEqual(c.call("attach").split()[0], "fail")


if __name__ == "__main__":
    unittest.main()
