"""The phone page in headless Chromium without Wine: what it says where Web Serial is missing,
that it opens with no network once it has been loaded, and how it reads in landscape."""

import os
import tempfile
import unittest

import web_session as ws
from web_browser import Browser, key


class PageWithoutServerTest(unittest.TestCase):
    def setUp(self):
        # A pty stands in for the serial line: nothing answers on it.
        self.master, slave = os.openpty()
        self.addCleanup(os.close, self.master)
        self.addCleanup(os.close, slave)
        self.folder = tempfile.mkdtemp(prefix="quillant-web-")
        self.bridge = ws.bridge_module().Bridge(os.ttyname(slave), os.path.join(ws.harness.SOURCE_ROOT, "web", "dist"))
        self.bridge.start()
        self.addCleanup(self.bridge.stop)
        self.browser = Browser(os.path.join(self.folder, "browser.log"))
        self.addCleanup(self.browser.close)

    def test_a_browser_without_web_serial_is_told_what_works(self):
        self.browser.open(self.bridge.url, absent=True)
        text = self.browser.wait("role=status")
        self.assertIn("cannot reach Bluetooth serial ports", text)
        self.assertIn("Chrome on Android", text)
        self.assertEqual(self.browser.count(key("Connect")), 0)

    def test_no_answer_is_reported_and_the_page_opens_again_without_a_network(self):
        b = self.browser
        b.open(self.bridge.url, bridge=ws.ws_url(self.bridge))
        b.click(key("Connect"))
        self.assertIn("No answer from the PC", b.wait("role=status", "No answer", limit=20))
        # Four connect messages went out before the page gave up.
        self.assertEqual(self.bridge.sent_by_page().count(bytes.fromhex("011200")), 4)
        b.eval("navigator.serviceWorker.ready.then(() => true)")
        self.bridge.stop()
        b.eval("location.reload()")
        self.assertIn("Not connected", b.wait("role=status"))
        shots = os.environ.get("QUILLANT_E2E_SCREENSHOTS")
        if shots:
            b.viewport(640, 360)
            b.screenshot(os.path.join(shots, "web-no-answer-landscape.png"))


if __name__ == "__main__":
    unittest.main()
