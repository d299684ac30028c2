"""Start-up as the user sees it: one copy only."""

import unittest

import harness
from harness import phonesim as ps
from test_protocol import connect

ALREADY_RUNNING = "Tarvo Quillant is already running."


class SingleInstanceTest(harness.ServerTestCase):
    def test_second_copy_is_refused_while_the_first_keeps_its_phone(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            second = s.start_server(log_name="second.log", configure=None)
            self.assertEqual(s.message_box(ALREADY_RUNNING, limit=harness.START_LIMIT), ALREADY_RUNNING)
            s.press("IDOK", ALREADY_RUNNING)
            second.wait_exit(harness.EVENT_LIMIT)
            self.assertTrue(s.server.alive())
            # The first copy never let go of its phone: no disconnect, still in sync.
            self.assertEqual(phone.drain(), [])
            self.assertEqual(phone.sync_barrier(), [])
            phone.send(ps.encode_list_request())
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), bytes.fromhex("05 01 00 00"))


if __name__ == "__main__":
    unittest.main()
