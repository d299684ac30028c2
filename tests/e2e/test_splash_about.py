"""The splash picture at start and the About box from the tray menu.

QUILLANT_E2E_SCREENSHOTS=DIR saves a screenshot of the open About box there, for a look by eye."""

import subprocess
import unittest

import harness
from harness import wintool_exe

SPLASH_CLASS = "QuillantSplash"
SPLASH = ("--class", SPLASH_CLASS, "--visible")
ABOUT = ("--class", "#32770", "--title", "About Tarvo Quillant", "--visible")
VK_A = 0x41
# The splash stays 1500 ms on its own: gone well before that, something else hid it.
SPLASH_MS = 1500
PROMPT_MS = 1200


def wait_splash_gone(test, session, limit=harness.EVENT_LIMIT):
    code, lines = session.wintool("waitgone", "--class", SPLASH_CLASS, "--timeout", int(limit * 1000))
    test.assertEqual(code, 0, "the splash was still there after %.0f s: %s" % (limit, lines))


class SplashTest(harness.ServerTestCase):
    def test_shown_at_start_and_gone_by_itself(self):
        with self.server(server_args=(), configure=None) as s:
            s.wait_window(*SPLASH, limit=harness.START_LIMIT)
            wait_splash_gone(self, s)
            s.assert_responsive()

    def test_command_line_decides(self):
        cases = [
            (("/nosplash",), False),
            (("/NOSPLASH", "x"), True),
        ]
        for args, shown in cases:
            with self.subTest(args=args), self.server(server_args=args, configure=None) as s:
                if shown:
                    s.wait_window(*SPLASH, limit=harness.START_LIMIT)
                else:
                    # The splash is the last thing the main window's creation does: once that
                    # window answers, a splash would exist.
                    s.wait_window("--class", "QuillantMainFrame", limit=harness.START_LIMIT)
                    s.assert_responsive(limit=harness.EVENT_LIMIT)
                    code, lines = s.wintool("find", "--class", SPLASH_CLASS)
                    self.assertEqual(code, harness.NOT_FOUND, "a splash was shown: %s" % lines)

    def test_a_key_press_hides_it_and_reaches_no_other_window(self):
        with self.server(start=False, server_args=(), configure=None) as s:
            target = s.start_target()
            target.wait_events(lambda ev: any(e.name == "activate" and e.fields == ["1"] for e in ev),
                               what="the target active")
            # Started before the server: it presses the key as soon as the splash shows and then
            # times the splash's end itself, so neither depends on how fast a process starts.
            presser = subprocess.Popen(["wine", wintool_exe(), "inject", hex(VK_A), "1", "0", "--class", SPLASH_CLASS,
                                        "--visible", "--untilgone", "--timeout", str(int(harness.START_LIMIT * 1000))],
                                       env=s.env(), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL)
            try:
                s.start_server()
                out, _ = presser.communicate(timeout=harness.START_LIMIT + 30)
            finally:
                if presser.poll() is None:
                    presser.kill()
                    presser.wait()
            self.assertEqual(presser.returncode, 0, "the splash did not show, or did not go")
            stamps = {words[1]: int(words[0]) for words in (line.split() for line in out.decode().splitlines())}
            # The splash takes the activation from the target as it opens: that stamp is, within
            # a few milliseconds, when its own display time started.
            events = target.wait_events(lambda ev: any(e.name == "activate" and e.fields == ["0"] for e in ev),
                                        limit=harness.START_LIMIT, what="the splash taking the activation")
            opened_ns = next(e.ns for e in events if e.name == "activate" and e.fields == ["0"])
            opened_ns = min(opened_ns, stamps["seen"])
            key_ms = (stamps["down"] - opened_ns) / 1e6
            gone_ms = (stamps["gone"] - opened_ns) / 1e6
            self.assertLess(key_ms, PROMPT_MS,
                            "the key came %.0f ms after the splash opened: too late to tell it from the "
                            "splash's own time" % key_ms)
            self.assertLess(gone_ms, SPLASH_MS - 100,
                            "the splash went %.0f ms after it opened, the key was at %.0f ms" % (gone_ms, key_ms))
            s.assert_responsive()
            self.assertEqual(target.keys(), [], "the key reached the target")

    def test_about_box_from_the_tray_menu(self):
        with self.server() as s:
            s.choose_tray_item("&About Tarvo Quillant...")
            about = s.wait_window(*ABOUT)
            code, texts = s.wintool("text", *ABOUT)
            self.assertEqual(code, 0, texts)
            # The version field holds two lines; the icon's static carries no readable text.
            version = texts.index("Tarvo Quillant") if "Tarvo Quillant" in texts else -1
            self.assertEqual(texts[version:version + 2], ["Tarvo Quillant", "Version 1.0.0"], texts)
            self.assertTrue(any(line.startswith("Copyright") and "2026 Tarvo" in line for line in texts), texts)
            # A tray program has no window of its own in front: the box must come to the front.
            self.assertEqual(s.foreground(), int(about.split()[0], 16))
            s.screenshot("about")
            # About again while the box is open brings it forward and opens no second one.
            s.choose_tray_item("&About Tarvo Quillant...")
            s.assert_responsive()
            self.assertEqual(s.wintool("count", *ABOUT)[1], ["1"])
            code, lines = s.wintool("press", "IDOK", *ABOUT)
            self.assertEqual(code, 0, lines)
            code, lines = s.wintool("waitgone", *ABOUT)
            self.assertEqual(code, 0, "the About box stayed open after OK")
            s.assert_responsive()
            self.assertTrue(s.server.alive())


if __name__ == "__main__":
    unittest.main()
