"""The serial port coming and going under a running server."""

import os
import sys
import time
import unittest

import harness
from test_protocol import CONNECT_OK, connect

PORT_FAILED = "failed to open serial port"
RETRY_PERIOD = 3.0


class MissingPortTest(harness.ServerTestCase):
    def test_one_message_then_the_port_is_opened_once_it_appears(self):
        with self.server(port_present=False) as s:
            text = s.message_box(PORT_FAILED, limit=harness.START_LIMIT)
            self.assertTrue(text.startswith("Tarvo Quillant failed to open serial port COM5."), text)
            self.assertEqual(s.count_message_boxes(), 1)
            # Wine maps host serial devices to COMn by itself; the test means COM5 absent.
            self.assertFalse(os.path.lexists(os.path.join(s.prefix, "dosdevices", harness.COM_PORT)),
                             "Wine mapped COM5 to a host device; the test cannot hide the port")
            s.press("IDOK", PORT_FAILED)
            # Two more failed retries must not show the message again.
            watch_until = time.monotonic() + 2 * RETRY_PERIOD + 1.0
            while time.monotonic() < watch_until:
                self.assertEqual(s.count_message_boxes(), 0, "the port failure was shown again")
            self.assertTrue(s.server.alive())

            phone = s.phone()
            s.map_port()
            appeared = time.monotonic()
            answer = phone.connect(retry_every=0.1, limit=harness.EVENT_LIMIT)
            delay = answer.when - appeared
            sys.stderr.write("port appeared -> connect answered: %.2f s\n" % delay)
            # One retry period, plus the 0.1 s between connects and slack for a busy machine.
            self.assertBetween(delay, 0.0, RETRY_PERIOD + 0.75, "port appeared to connect answered")
            self.assertEqual(answer.raw, CONNECT_OK, answer.describe())
            self.assertTrue(all(m == CONNECT_OK for m in phone.sync_barrier()))
            self.assertEqual(s.count_message_boxes(), 0)


class HangUpTest(harness.ServerTestCase):
    def test_pc_side_hang_up_restarts_the_link_without_spinning(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            phone.close()
            s.stop_socat()
            # The port is gone for more than one retry period; the server must
            # live through it without burning the CPU.
            cpu_before, started = s.server.cpu_seconds(), time.monotonic()
            time.sleep(RETRY_PERIOD + 0.5)
            cpu_share = (s.server.cpu_seconds() - cpu_before) / (time.monotonic() - started)
            self.assertTrue(s.server.alive(), "server ended when its port hung up")
            self.assertLess(cpu_share, 0.5, "server used %.0f%% of a core without a port" % (cpu_share * 100))
            s.assert_responsive(limit=5.0)
            s.start_socat()
            phone = s.phone()
            connect(self, phone)


if __name__ == "__main__":
    unittest.main()
