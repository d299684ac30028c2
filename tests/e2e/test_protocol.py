"""The protocol as a phone sees it: the server under Wine, COM5 on a pty pair."""

import time
import unittest

import harness
from harness import phonesim as ps

# Connect with "01.01.00" in UTF-16LE and its 16-bit terminator, as on the wire.
CONNECT_OK = bytes.fromhex("01 12 00 30 00 31 00 2E 00 30 00 31 00 2E 00 30 00 30 00 00 00")
VERSION_REFUSED = bytes.fromhex("02 01 00 01")
SERVER_CLOSES = bytes.fromhex("02 01 00 02")
SYNC = bytes.fromhex("06 00 00")
EMPTY_LIST = bytes.fromhex("05 01 00 00")
LIST_REQUEST = bytes.fromhex("04 00 00")


def connect(testcase, phone):
    """Connects (repeating until the port is open) and proves the state with a
    sync echo; a repeated connect may be answered twice, never otherwise."""
    answer = phone.connect()
    testcase.assertEqual(answer.raw, CONNECT_OK, answer.describe())
    extra = phone.sync_barrier()
    testcase.assertTrue(all(m == CONNECT_OK for m in extra), [m.describe() for m in extra])


def list_barrier(phone):
    """Sends a list request and returns what arrived before its answer. It is
    answered connected or not, and in order, so this shows at once what the
    server said to everything sent before it."""
    phone.send(LIST_REQUEST)
    before = []
    while True:
        msg = phone.recv(harness.EVENT_LIMIT)
        if msg is None:
            raise ps.ProtocolError("list request not answered; before it: %s" % [m.describe() for m in before])
        if msg == EMPTY_LIST:
            return before
        before.append(msg)


def assert_nothing_before_list(testcase, phone):
    testcase.assertEqual([m.describe() for m in list_barrier(phone)], [])


class ConnectTest(harness.ServerTestCase):
    def test_right_version_is_echoed_byte_for_byte(self):
        with self.server() as s:
            connect(self, s.phone())

    def test_wrong_versions_are_refused_and_the_server_keeps_waiting(self):
        wrong = ["01.01.01", "01.01.0", "01.01.000", "1.1.0", "", "01.01.00\u00e9", "\u4e00\u4e01"]
        with self.server() as s:
            phone = s.phone()
            # The first one is repeated until the port is open.
            first = phone.connect(wrong[0])
            self.assertEqual(first.raw, VERSION_REFUSED, first.describe())
            # Repeats of that first connect may be answered too, nothing else.
            self.assertTrue(all(m == VERSION_REFUSED for m in list_barrier(phone)))
            for version in wrong[1:]:
                with self.subTest(version=version):
                    phone.send(ps.encode_connect(version))
                    self.assertEqual(phone.recv(harness.EVENT_LIMIT), VERSION_REFUSED)
            # Still waiting: a sync is not echoed, and a right connect succeeds.
            phone.send(SYNC)
            assert_nothing_before_list(self, phone)
            phone.send(CONNECT_OK)
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), CONNECT_OK)
            # A wrong version while connected is refused and leaves the phone connected.
            phone.send(ps.encode_connect("02.00.00"))
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), VERSION_REFUSED)
            self.assertEqual(phone.sync_barrier(), [])

    def test_connect_split_over_several_writes(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            phone.send(ps.encode_disconnect(0))
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), SERVER_CLOSES)
            connect(self, phone)
            # Pieces of 1, 9 and 11 bytes, each given time to arrive on its own.
            for piece in (CONNECT_OK[:1], CONNECT_OK[1:10], CONNECT_OK[10:]):
                phone.send(piece)
                time.sleep(0.05)
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), CONNECT_OK)
            self.assertEqual(phone.sync_barrier(), [])


class DispatchTest(harness.ServerTestCase):
    def test_sync_echo_list_select_and_dropped_events(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            for _ in range(3):
                phone.send(SYNC)
                self.assertEqual(phone.recv(harness.EVENT_LIMIT), SYNC)
            phone.send(LIST_REQUEST)
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), EMPTY_LIST)

            # (request, answer): an unknown id gets id 0 and an empty name;
            # id 0 gets id 0 and the name it came with.
            selects = [
                (ps.encode_select(0x12345678, "Nothing"), ps.encode_select(0, "")),
                (ps.encode_select(0, "x"), ps.encode_select(0, "x")),
                (ps.encode_select(0xFFFFFFFF, ""), ps.encode_select(0, "")),
            ]
            for request, answer in selects:
                with self.subTest(select=request.hex()):
                    phone.send(request)
                    self.assertEqual(phone.recv(harness.EVENT_LIMIT), answer)

            # With no application selected, key and UI events get no answer,
            # and a phone's application data is ignored.
            silent = [
                ps.encode_key(ps.KEY_PRESSED, ps.key_code("Up")),
                ps.encode_key(ps.KEY_RELEASED, ps.key_code("Up")),
                ps.encode_button(1, 1),
                ps.encode_edit_box(2, "hello"),
                ps.encode_list_box(3, 1, "item"),
                ps.encode_radio_button(4, 0),
                ps.encode_check_box(5, [1, 0, 1]),
                ps.encode_app_data(0x10, 16, b"\x01\x02"),
                bytes.fromhex("10 00 00"),  # a key event with no body at all
            ]
            for message in silent:
                with self.subTest(message=message.hex()):
                    phone.send(message)
                    assert_nothing_before_list(self, phone)
            self.assertEqual(phone.sync_barrier(), [])


class RecoveryTest(harness.ServerTestCase):
    def test_garbage_then_answered_sync_recovers_without_disconnect(self):
        # Headers the server has no type for, alone or with bytes behind them
        # in the same write; a phone-sent application list counts as garbage.
        garbage = [
            bytes.fromhex("07 00 00"),
            bytes.fromhex("00 00 00"),
            bytes.fromhex("11 05 00 01 02 03 04 05"),
            bytes.fromhex("FF FF FF") + LIST_REQUEST,
            ps.encode_app_list([(7, 0xFFFF, False, "A")]),
        ]
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            for chunk in garbage:
                with self.subTest(garbage=chunk.hex()):
                    phone.send(chunk)
                    sync = phone.expect(SYNC, harness.EVENT_LIMIT)
                    phone.send(SYNC)
                    # Past the server's 500 ms limit nothing may follow.
                    late = phone.quiet(max(0.0, sync.when + 1.0 - time.monotonic()))
                    self.assertEqual(late, [])
                    self.assertEqual(phone.sync_barrier(), [])

    def test_unanswered_sync_ends_the_connection_and_the_port_reopens(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            phone.send(bytes.fromhex("07 00 00"))
            sync = phone.expect(SYNC, harness.EVENT_LIMIT)
            closed = phone.expect(SERVER_CLOSES, harness.EVENT_LIMIT)
            self.assertBetween(closed.when - sync.when, 0.4, 2.5, "sync to disconnect")
            # Closing the port must not wait for the silent phone.
            s.assert_responsive(limit=5.0)
            connect(self, phone)
            phone.send(LIST_REQUEST)
            self.assertEqual(phone.recv(harness.EVENT_LIMIT), EMPTY_LIST)

    def test_half_message_then_silence_starts_recovery(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            half = ps.encode_key(ps.KEY_PRESSED, ps.key_code("Up"))[:4]
            phone.send(half)
            sent = time.monotonic()
            sync = phone.expect(SYNC, harness.EVENT_LIMIT)
            self.assertBetween(sync.when - sent, 1.8, 6.0, "half message to sync")
            phone.send(SYNC)
            self.assertEqual(phone.sync_barrier(), [])
            # The half message is gone: whole messages are read from a clean start.
            phone.send(ps.encode_key(ps.KEY_PRESSED, ps.key_code("Up")))
            assert_nothing_before_list(self, phone)


class DisconnectTest(harness.ServerTestCase):
    def test_phone_disconnect_is_answered_and_the_port_reopens(self):
        with self.server() as s:
            phone = s.phone()
            connect(self, phone)
            for reason in (0, 2, 0xFF):
                phone.send(ps.encode_disconnect(reason))
                self.assertEqual(phone.recv(harness.EVENT_LIMIT), SERVER_CLOSES, "reason %d" % reason)
                # The phone stays silent: closing the port must not wait for
                # it, nor stall the server's window meanwhile.
                s.assert_responsive(limit=5.0)
                connect(self, phone)

    def test_disconnect_while_waiting_gets_no_answer(self):
        with self.server() as s:
            phone = s.phone()
            # Open port, nobody connected.
            self.assertEqual(phone.connect("00.00.00").raw, VERSION_REFUSED)
            self.assertTrue(all(m == VERSION_REFUSED for m in list_barrier(phone)))
            phone.send(ps.encode_disconnect(0))
            # The port is reopened; the first answer after it is to the connect.
            answer = phone.connect()
            self.assertEqual(answer.raw, CONNECT_OK, answer.describe())
            extra = phone.sync_barrier()
            self.assertTrue(all(m == CONNECT_OK for m in extra), [m.describe() for m in extra])


if __name__ == "__main__":
    unittest.main()
