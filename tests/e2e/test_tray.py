"""The tray menu's Exit, driven as a user would: right-click, Exit, answer."""

import unittest

import harness
from test_protocol import connect

CONFIRM = "Do you really want to exit Tarvo Quillant?"


def choose_exit(session):
    session.choose_tray_item("&Exit")
    return session.message_box(CONFIRM)


class TrayExitTest(harness.ServerTestCase):
    def test_exit_answered_no_keeps_running_and_yes_ends_with_a_disconnect(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)

            self.assertEqual(choose_exit(s), CONFIRM)
            s.press("IDNO", CONFIRM)
            self.assertTrue(s.server.alive())
            self.assertEqual(phone.drain(), [])
            self.assertEqual(phone.sync_barrier(), [], "link changed after Exit was declined")

            choose_exit(s)
            s.press("IDYES", CONFIRM)
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), bytes.fromhex("02 01 00 02"))
            self.assertEqual(s.server.wait_exit(harness.EVENT_LIMIT), 0)
            self.assertEqual(phone.drain(), [])


if __name__ == "__main__":
    unittest.main()
