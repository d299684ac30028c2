"""The phone page in headless Chromium against the server under Wine. A test-only stand-in for
navigator.serial carries the page's bytes over the bridge (tools/web_bridge.py) to the pty's
phone end, so the page's own Web Serial code runs unchanged. Screenshots at phone size go to
QUILLANT_E2E_SCREENSHOTS when it is set."""

import os
import time
import unittest

import harness
import pptdouble as pd
import web_session as ws
from harness import phonesim as ps
from web_browser import Browser, key

APP_LIST = 'role=list[name="Applications"s] >> role=button'
SPP = "00001101-0000-1000-8000-00805f9b34fb"
# Held past the server's question to a silent phone (2.5 s) and its limit (another 4.5 s).
LONG_HOLD = 8.0


def moves(events):
    return [e for e in events if e.name == "move"]


class PageTestCase(harness.ServerTestCase):
    def browser(self, session):
        return Browser(os.path.join(session.workdir, "browser.log"))

    def shoot(self, browser, name):
        folder = os.environ.get("QUILLANT_E2E_SCREENSHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            for scheme in ("light", "dark"):
                browser.scheme(scheme)
                browser.screenshot(os.path.join(folder, "web-%s-%s.png" % (name, scheme)))
            browser.scheme("light")
            browser.viewport(640, 360)
            browser.screenshot(os.path.join(folder, "web-%s-landscape.png" % name))
            browser.viewport(360, 640)

    def connect(self, browser, bridge, expect):
        browser.open(bridge.url, bridge=ws.ws_url(bridge))
        browser.click(key("Connect"))
        browser.wait(APP_LIST, expect)

    def sent(self, bridge, since):
        return bridge.sent_by_page(since)


class KeypadPageTest(PageTestCase):
    def pointer_moves_right(self, target):
        """Puts the pointer at 100,300 and tells whether it moves on from there."""
        mark = len(target.events())
        target.set_cursor(100, 300)
        target.wait_events(lambda ev: any(e.fields[:2] == ["100", "300"] for e in moves(ev[mark:])), what="pointer placed")
        time.sleep(0.5)
        return any(int(e.fields[0]) > 100 for e in moves(target.events()[mark:]))

    def test_keypad_presses_holds_and_lets_go_in_the_target_window(self):
        with self.server(start=False) as s:
            target = ws.start_keypad_target(s)
            with ws.bridge(s) as bridge, self.browser(s) as b:
                self.connect(b, bridge, "Target")
                # The page asked for the serial port service and opened it at the link's speed.
                requests = b.eval("navigator.serial.requests")
                self.assertTrue(all(SPP in r["allowedBluetoothServiceClassIds"] for r in requests), requests)
                self.assertEqual(b.eval("navigator.serial.port.openedWith"), {"baudRate": 9600})
                self.shoot(b, "apps")
                b.click('%s >> text="Target"' % APP_LIST)
                b.wait(key("Up"))
                # Every phone key is there under its own name (the bar's Disconnect ends the link).
                for name, _ in ps.KEY_CODES:
                    self.assertEqual(b.count('role=region[name="Keypad"s] >> %s' % key(name)), 1, name)
                self.shoot(b, "keypad")

                # A key goes down when touched and up when let go, once each.
                b.down(key("1"))
                target.wait_events(lambda ev: ("down", ws.VK_NUM_1, "-") in target.keys(), what="1 down")
                self.assertEqual(target.keys(), [("down", ws.VK_NUM_1, "-")])
                b.up()
                target.wait_events(lambda ev: len(target.keys()) == 2, what="1 up")
                self.assertEqual(target.keys()[1], ("up", ws.VK_NUM_1, "-"))

                # A held direction moves the pointer for as long as it is held: the page answers
                # the server's questions to a silent phone meanwhile.
                since = harness.time.clock_gettime_ns(harness.time.CLOCK_MONOTONIC_RAW)
                b.down(key("Right"))
                time.sleep(LONG_HOLD)
                self.assertTrue(self.pointer_moves_right(target), "the pointer stopped while Right was held")
                b.up()
                self.assertIn(ps.encode_sync(), b"".join(d for t, way, d in bridge.transcript if way == "<-" and t > since))
                self.assertIn(ps.encode_sync(), self.sent(bridge, since))
                time.sleep(0.3)
                self.assertFalse(self.pointer_moves_right(target), "the pointer kept moving after the release")

                # Disconnecting while a key is held sends its release first.
                since = harness.time.clock_gettime_ns(harness.time.CLOCK_MONOTONIC_RAW)
                b.down(key("2"))
                target.wait_events(lambda ev: ("down", 0x32, "-") in target.keys(), what="2 down")
                b.eval("document.getElementById('disconnect').click()")
                b.wait("role=status", "Disconnected.")
                self.assertEqual(self.sent(bridge, since), ps.encode_key(0, 0x32) + ps.encode_key(1, 0x32)
                                 + ps.encode_disconnect(0))
                target.wait_events(lambda ev: target.keys()[-1] == ("up", 0x32, "-"), what="2 up")
                b.up()
                self.shoot(b, "disconnected")

                # The port is remembered: connecting again needs no choice.
                b.open(bridge.url, bridge=ws.ws_url(bridge))
                b.click(key("Reconnect"))
                b.wait(APP_LIST, "Target")
                self.assertEqual(len(b.eval("navigator.serial.requests")), 0)


class SlideShowPageTest(PageTestCase):
    SLIDES = [pd.Slide("Welcome", notes="Say hi\r\nthen go"), pd.Slide("Plan", notes="Plan notes"),
              pd.Slide("Fin", notes="")]

    def test_titles_and_notes_show_and_taps_move_the_show(self):
        with self.server(start=False) as s:
            double = pd.PptDouble(s)
            double.register()
            double.start([("Talk.ppt", self.SLIDES)])
            self.addCleanup(double.stop)
            s.start_server()
            with ws.bridge(s) as bridge, self.browser(s) as b:
                self.connect(b, bridge, "Talk.ppt")
                b.click('%s >> text="Talk.ppt"' % APP_LIST)
                self.assertEqual(b.wait(".slide-number", "Slide 1 of 3"), "Slide 1 of 3")
                self.assertEqual(b.text(".notes"), "Say hi\nthen go")
                self.shoot(b, "slides-notes")
                b.click('role=tab[name="Slides"s]')
                self.assertEqual(b.text(".titles").split("\n"), ["1", "Welcome", "2", "Plan", "3", "Fin"])
                self.shoot(b, "slides-titles")

                # A tapped title jumps there.
                b.click('.titles >> text="Plan"')
                b.wait(".slide-number", "Slide 2 of 3")
                self.assertEqual(double.query("Talk.ppt")["position"], 2)
                b.click('role=tab[name="Notes"s]')
                b.wait(".notes", "Plan notes")

                # Next is the phone's Right key.
                b.down(key("Next"))
                b.up()
                b.wait(".slide-number", "Slide 3 of 3")
                self.assertEqual(b.text(".notes"), "No notes for this slide.")

                # The pen goes on and off.
                b.click('role=tab[name="Pointer"s]')
                self.shoot(b, "slides-pointer")
                b.click(key("Pen"))
                harness.wait_until(lambda: double.query("Talk.ppt")["pointer"] == 2, harness.EVENT_LIMIT, "the pen")
                b.click(key("Pen"))
                harness.wait_until(lambda: double.query("Talk.ppt")["pointer"] == 0, harness.EVENT_LIMIT, "no pen")


if __name__ == "__main__":
    unittest.main()
