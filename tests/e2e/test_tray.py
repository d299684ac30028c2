"""The tray icon as a user sees it: the menu's Exit, and an icon that appears once the shell is
ready, whenever that is."""

import unittest

import harness
from harness import phonesim as ps
from test_protocol import EMPTY_LIST, SERVER_CLOSES, connect

CONFIRM = "Do you really want to exit Tarvo Quillant?"
CONNECTED_TIP = "Tarvo Quillant (Connected)"


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


class TrayLaterTest(harness.ServerTestCase):
    def test_icon_appears_whenever_the_shell_takes_it_while_the_phone_is_served(self):
        with self.server(start=False) as s:
            gate = s.start_tray_gate()
            s.start_server()
            refused = gate.wait_request("add", passed=False)
            phone = s.phone()
            connect(self, phone)
            phone.send(ps.encode_list_request())
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), EMPTY_LIST)
            self.assertTrue(s.server.alive())

            # The shell comes up without a word: the icon is offered again, as it is now.
            added = gate.wait_request("add", passed=True, after=gate.shell_up(broadcast=False), limit=30.0)
            self.assertEqual((added.hwnd, " ".join(added.fields[2:])), (refused.hwnd, CONNECTED_TIP))
            s.wait_window(*harness.WINE_TRAY_ICON)

            # A restarted shell says so; nothing else happens meanwhile to bring the icon back.
            closed = gate.shell_down()
            restarted = gate.shell_up(broadcast=True)
            gate.wait_request("add", passed=True, after=restarted)
            events = gate.events()
            self.assertEqual(events.index(restarted), events.index(closed) + 1, "asked while the shell was down")

            # The shell goes away silently: the next change is refused, and the icon comes back.
            closed = gate.shell_down()
            phone.send(ps.encode_disconnect(0))
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), SERVER_CLOSES)
            gate.wait_request("modify", passed=False, after=closed)
            gate.wait_request("add", passed=True, after=gate.shell_up(broadcast=False), limit=30.0)

            s.choose_tray_item("&Exit", in_wine_tray=True)
            s.press("IDYES", CONFIRM)
            self.assertEqual(s.server.wait_exit(harness.EVENT_LIMIT), 0)


if __name__ == "__main__":
    unittest.main()
