"""The serial link on ports that misbehave: an open that takes long, a port that
fails as soon as it is open, a port left set up for text, and a phone that stops
reading. The server keeps answering its user and its phone through all of them."""

import os
import select
import sys
import termios
import time
import unittest

import harness
from harness import phonesim as ps
from test_protocol import CONNECT_OK, connect

CONFIRM_EXIT = "Do you really want to exit Tarvo Quillant?"
# Trace lines of the link (QUILLANT_TRACE=1 sends them to the server's log).
OPENED = "port COM5 opened"
FAILED_AT_ONCE = " ms after its open"
STALLED = "writes stalled"

SLOW_OPEN = 20.0
PING_LIMIT = 1.0
EXIT_LIMIT = 3.0
CPU_WINDOW = 10.0
# A busy loop takes a whole core; the link's own cost is well under 1 %.
CPU_SHARE_LIMIT = 0.10
# The longest wait between two opens of a failing port (1.5 s), an open, and slack.
RECONNECT_LIMIT = 4.5
MAX_RETRY_DELAY = 1.5


def opened_attempt(number):
    return "%s (attempt %d)" % (OPENED, number)


class SlowOpenTest(harness.ServerTestCase):
    def test_window_tray_and_configure_work_during_a_20_s_open_then_the_phone_connects(self):
        with self.server(gates={"slow-open": True}) as s:
            # The configuration sheet the server opens at start was already cancelled.
            slowest = 0.0
            until = time.monotonic() + SLOW_OPEN
            configured = False
            while time.monotonic() < until:
                slowest = max(slowest, s.assert_responsive(limit=PING_LIMIT) or 0.0)
                if not configured:
                    s.choose_tray_item("C&onfigure...")
                    s.close_config_sheet(harness.IDCANCEL_BUTTON)
                    configured = True
            sys.stderr.write("slowest answer of the window during a %.0f s open: %.1f ms\n" % (SLOW_OPEN, slowest))
            self.assertNotIn(OPENED, s.server.log_text(), "the port opened through a shut gate")

            s.open_gate("slow-open")
            phone = s.phone()
            connect(self, phone)
            # The 3 s retry started no second open while the first one was pending.
            log = s.server.log_text()
            self.assertIn(opened_attempt(1), log)
            self.assertNotIn("attempt 2", log)

    def test_exit_during_a_pending_open_ends_the_program_within_3_s(self):
        with self.server(gates={"slow-open": True}) as s:
            s.choose_tray_item("&Exit")
            s.message_box(CONFIRM_EXIT)
            # Measured from before the press, the time wintool takes to press included.
            answered = time.monotonic()
            s.press("IDYES", CONFIRM_EXIT)
            self.assertEqual(s.server.wait_exit(harness.EVENT_LIMIT), 0)
            took = time.monotonic() - answered
            sys.stderr.write("Yes to exit -> program ended: %.2f s\n" % took)
            self.assertLess(took, EXIT_LIMIT)


class FailingPortTest(harness.ServerTestCase):
    """A port that opens and then fails at once is retried with a growing delay, never in a
    busy loop, and the phone connects soon once the port works again."""

    def check_failing_port(self, gate):
        with self.server(gates={gate: True}) as s:
            # A few failures first, so the delay between retries has grown to its cap.
            s.wait_log(FAILED_AT_ONCE, count=5)
            opens_before = s.server.log_text().count(OPENED)
            cpu_before, started = s.server.cpu_seconds(), time.monotonic()
            time.sleep(CPU_WINDOW)
            elapsed = time.monotonic() - started
            share = (s.server.cpu_seconds() - cpu_before) / elapsed
            opens = s.server.log_text().count(OPENED) - opens_before
            sys.stderr.write("%s: %.1f%% of a core, %d opens in %.1f s\n" % (gate, share * 100, opens, elapsed))
            self.assertTrue(s.server.alive())
            self.assertLess(share, CPU_SHARE_LIMIT, "server used %.1f%% of a core" % (share * 100))
            self.assertLessEqual(opens, elapsed / MAX_RETRY_DELAY + 2, "the port was reopened %d times" % opens)

            phone = s.phone()
            s.open_gate(gate)
            working = time.monotonic()
            answer = phone.connect(retry_every=0.1, limit=harness.EVENT_LIMIT)
            delay = answer.when - working
            sys.stderr.write("%s: port working again -> connect answered: %.2f s\n" % (gate, delay))
            self.assertEqual(answer.raw, CONNECT_OK, answer.describe())
            self.assertBetween(delay, 0.0, RECONNECT_LIMIT, "port working again to connect answered")
            self.assertEqual(phone.sync_barrier(), [])

    def test_event_waits_that_fail_at_once(self):
        self.check_failing_port("no-lines")

    def test_status_queries_that_fail_at_once(self):
        self.check_failing_port("no-status")


# What a driver or an earlier program may have left on the port: software flow control (0x11
# and 0x13 swallowed), character translation and stripping, line editing, echo, signals.
TEXT_INPUT = (termios.IXON | termios.IXOFF | termios.IXANY | termios.ISTRIP | termios.ICRNL | termios.INLCR
              | termios.IGNCR | termios.PARMRK)
TEXT_OUTPUT = termios.OPOST | termios.ONLCR | termios.OCRNL
TEXT_LOCAL = termios.ICANON | termios.ECHO | termios.ISIG | termios.IEXTEN


def leave_port_set_for_text(path):
    """Sets the PC end of the pty up for text, as the server will find it; returns its flags."""
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(fd)
        termios.tcsetattr(fd, termios.TCSANOW, [iflag | TEXT_INPUT, oflag | TEXT_OUTPUT, cflag | termios.CRTSCTS,
                                                lflag | TEXT_LOCAL, ispeed, ospeed, cc])
        return termios.tcgetattr(fd)
    finally:
        os.close(fd)


class BinaryModeTest(harness.ServerTestCase):
    def test_every_byte_value_passes_a_port_left_set_for_text(self):
        with self.server(start=False) as s:
            flags = leave_port_set_for_text(s.pc_path)
            self.assertEqual(flags[0] & termios.IXON, termios.IXON, "the pty did not keep the settings")
            s.start_server()
            phone = s.phone()
            connect(self, phone)
            # Ignored by the server, but each byte must reach the framer or the connect behind
            # it is misread.
            awkward = bytes([0x11, 0x13, 0x00, 0x03, 0x0A, 0x0D, 0x1A, 0x1C, 0x7F, 0xFF, 0x13, 0x11])
            phone.send(ps.encode_app_data(0x11131311, 0x0D0A, awkward) + ps.encode_connect())
            answer = phone.recv(harness.EVENT_LIMIT)
            self.assertIsNotNone(answer, "the connect behind the awkward bytes was not answered")
            self.assertEqual(answer.raw, CONNECT_OK, answer.describe())
            self.assertEqual([m.describe() for m in phone.sync_barrier()], [])


TARGET_CLASS = "QuillantTarget"
# A long profile name and many windows make each answer to a list request about 2.5 KB.
LONG_NAME = "Target " + "with a long name " * 14
EXTRA_WINDOWS = 11
LIST_REQUEST = ps.encode_list_request()
# The server takes about 12 ms for a list under Wine: at one request every 100 ms it keeps up
# even on a busy machine, and has time left for its timers, which only run when no other
# message waits.
PAUSE = 0.1
# The cap on waiting bytes is 64 KB; the rest is Wine's and the heap's slack. Without the cap,
# the answers pile up at about 40 KB/s.
RESIDENT_GROWTH_LIMIT_KIB = 4 * 1024
LOST_LIMIT = 90.0


def drain_until_quiet(phone, quiet=0.5, limit=harness.EVENT_LIMIT):
    """Reads whatever arrives, framed or not, until nothing has come for `quiet` s."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        readable, _, _ = select.select([phone.fileno()], [], [], quiet)
        if not readable:
            return
        os.read(phone.fileno(), 65536)
    raise harness.HarnessError("the server kept sending for %.0f s" % limit)


def connect_after_backlog(testcase, phone, limit=harness.EVENT_LIMIT):
    """Connects while answers to earlier requests may still arrive: those are skipped."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        phone.send(ps.encode_connect())
        answer = phone.recv(0.3)
        while answer is not None and answer.raw != CONNECT_OK:
            answer = phone.recv(0.3)
        if answer is not None:
            unexpected = [m.describe() for m in phone.sync_barrier() if m.raw != CONNECT_OK and m.type != ps.APP_LIST]
            testcase.assertEqual(unexpected, [])
            return
    testcase.fail("no answer to connect within %.0f s" % limit)


class PhoneStopsReadingTest(harness.ServerTestCase):
    def test_memory_stays_bounded_the_link_is_renewed_and_the_phone_connects_once_it_reads(self):
        with self.server(start=False) as s:
            s.write_profile("Target.ini", harness.profile_text(LONG_NAME, [("1", "KEY(A)")], class_name=TARGET_CLASS))
            s.start_server()
            target = s.start_target(class_name=TARGET_CLASS)
            for _ in range(EXTRA_WINDOWS):
                target.post(target.OPEN_WINDOW)
            target.wait_events(lambda ev: sum(e.name == "window" and e.fields[0] == "extra" for e in ev) >= EXTRA_WINDOWS,
                               what="%d extra windows" % EXTRA_WINDOWS)
            phone = s.phone()
            connect(self, phone)
            harness.wait_until(lambda: len(phone.request_list()) == EXTRA_WINDOWS + 1, harness.EVENT_LIMIT,
                               "every window in the list")

            baseline = peak = s.server.resident_kib()
            sent = 0
            deadline = time.monotonic() + LOST_LIMIT
            # Asks and never reads, until the link was given up twice and opened again.
            while s.server.log_text().count(STALLED) < 2 or opened_attempt(3) not in s.server.log_text():
                self.assertLess(time.monotonic(), deadline, "link not renewed twice after %d requests" % sent)
                phone.send(LIST_REQUEST)
                sent += 1
                peak = max(peak, s.server.resident_kib())
                self.assertLess(peak - baseline, RESIDENT_GROWTH_LIMIT_KIB, "after %d requests" % sent)
                time.sleep(PAUSE)
            sys.stderr.write("phone not reading: %d requests, resident memory %d KiB, peak %d KiB (+%d KiB)\n"
                             % (sent, baseline, peak, peak - baseline))

            # The phone reads again: the backlog goes. It holds a message cut short when the
            # server gave the link up, so the phone starts over with a fresh reader.
            drain_until_quiet(phone)
            phone.close()
            connect_after_backlog(self, s.phone())
            self.assertTrue(s.server.alive())


if __name__ == "__main__":
    unittest.main()
