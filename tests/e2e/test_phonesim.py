"""The phone simulator on its own: codec, framer, command line, pty behaviour.
No Wine needed; the end-to-end tests trust these encoders for exact bytes."""

import io
import os
import random
import threading
import time
import unittest

import harness  # noqa: F401  (puts tools/ on the path)
import phonesim as ps


def h(text):
    return bytes.fromhex(text)


class EncodeTest(unittest.TestCase):
    def test_messages_encode_to_their_wire_bytes(self):
        cases = [
            ("connect", ps.encode_connect("01.01.00"),
             h("01 12 00 30 00 31 00 2E 00 30 00 31 00 2E 00 30 00 30 00 00 00")),
            ("connect empty", ps.encode_connect(""), h("01 02 00 00 00")),
            ("disconnect 2", ps.encode_disconnect(2), h("02 01 00 02")),
            ("select confirm none", ps.encode_select(0, ""), h("03 06 00 00 00 00 00 00 00")),
            ("select", ps.encode_select(0x01020304, "A"), h("03 08 00 04 03 02 01 41 00 00 00")),
            ("list request", ps.encode_list_request(), h("04 00 00")),
            ("empty list", ps.encode_app_list([]), h("05 01 00 00")),
            ("one entry", ps.encode_app_list([(7, 0xFFFF, False, "A")]),
             h("05 0C 00 01 07 00 00 00 FF FF 00 41 00 00 00")),
            ("sync", ps.encode_sync(), h("06 00 00")),
            ("key up pressed", ps.encode_key(0, 0xF809), h("10 03 00 00 09 F8")),
            ("app data", ps.encode_app_data(0x10, 16, b"\xAA"), h("12 07 00 10 00 00 00 10 00 AA")),
            ("button", ps.encode_button(0x0102, 1), h("13 03 00 02 01 01")),
            ("edit", ps.encode_edit_box(5, "hi"), h("14 06 00 05 00 68 69 00 00")),
            ("listbox", ps.encode_list_box(5, 2, "x"), h("15 07 00 05 00 02 78 00 00 00")),
            ("radio", ps.encode_radio_button(9, 0), h("16 03 00 09 00 00")),
            ("checkbox", ps.encode_check_box(9, [1, 0]), h("17 05 00 09 00 02 01 00")),
        ]
        for name, got, want in cases:
            with self.subTest(name):
                self.assertEqual(got.hex(" "), want.hex(" "))

    def test_a_list_of_256_is_sent_with_count_zero_and_no_entries(self):
        entries = [(i, 0xFFFF, False, "n") for i in range(256)]
        self.assertEqual(ps.encode_app_list(entries), h("05 01 00 00"))
        entries.append((256, 0xFFFF, False, "n"))
        self.assertEqual(ps.encode_app_list(entries), h("05 0C 00 01 00 00 00 00 FF FF 00 6E 00 00 00"))

    def test_a_message_longer_than_the_length_field_is_refused(self):
        with self.assertRaises(ValueError):
            ps.frame(ps.APP_DATA, bytes(65533))
        self.assertEqual(len(ps.frame(ps.APP_DATA, bytes(65532))), 65535)

    def test_key_names_ignore_case_and_numbers_are_accepted(self):
        for text, code in [("up", 0xF809), ("UP", 0xF809), ("Up", 0xF809), ("case open", 0xF846),
                           ("0", 0x30), ("9", 0x39), ("star", 0x2A), ("0xFF01", 0xFF01), ("8", 0x38)]:
            with self.subTest(text):
                self.assertEqual(ps.key_code(text), code)
        for bad in ["Upp", "", "0x10000", "-1"]:
            with self.subTest(bad=bad), self.assertRaises(ValueError):
                ps.key_code(bad)


class DecodeTest(unittest.TestCase):
    def test_fields_are_read_as_the_server_reads_them(self):
        cases = [
            (h("10 03 00 00 09 F8"), {"kind": 0, "code": 0xF809}),
            (ps.encode_connect("01.01.00"), {"version": "01.01.00"}),
            (h("02 01 00 01"), {"reason": 1}),
            (h("03 08 00 04 03 02 01 41 00 00 00"), {"app_id": 0x01020304, "name": "A"}),
            (h("05 0C 00 01 07 00 00 00 FF FF 01 41 00 00 00"),
             {"entries": [{"app_id": 7, "app_type": 0xFFFF, "active": True, "name": "A"}]}),
            (h("14 06 00 05 00 68 69 00 00"), {"control": 5, "text": "hi"}),
            (h("17 05 00 09 00 02 01 00"), {"control": 9, "states": [1, 0]}),
        ]
        for raw, fields in cases:
            with self.subTest(raw.hex()):
                self.assertEqual(ps.Message(raw).fields, fields)

    def test_presentation_data_payload(self):
        payload = h("02 00 03 00 01 61 00 62 00 00 00 00 00 78 00 00 00 00 00 79 00 00 00")
        fields = ps.Message(ps.encode_app_data(0x42, 16, payload)).fields
        self.assertEqual(fields["presentation"], {
            "current_slide": 2, "total_slides": 3, "running": True, "show_name": "ab",
            "notes": "", "titles": ["x", "", "y"]})

    def test_short_bodies_decode_what_is_there(self):
        self.assertEqual(ps.Message(h("10 00 00")).fields, {"kind": None, "code": None, "short": True})
        self.assertTrue(ps.Message(h("03 02 00 01 02")).fields["short"])
        self.assertTrue(ps.Message(h("05 05 00 03 07 00 00 00")).fields["short"])

    def test_random_bytes_never_break_the_decoder(self):
        rng = random.Random(1234)
        for _ in range(3000):
            msg_type = rng.choice(sorted(ps.TYPE_NAMES))
            body = bytes(rng.randrange(256) for _ in range(rng.randrange(12)))
            text = ps.describe(bytes([msg_type]) + len(body).to_bytes(2, "little") + body)
            self.assertIn(ps.TYPE_NAMES[msg_type], text)


class FramerTest(unittest.TestCase):
    def test_messages_are_cut_by_their_length_in_any_pieces(self):
        stream = ps.encode_key(0, 0xF809) + ps.encode_sync() + ps.encode_connect()
        for cuts in [(1, 3), (2,), (5, 6, 7), (len(stream) - 1,), ()]:
            with self.subTest(cuts=cuts):
                framer, got, start = ps.Framer(), [], 0
                for cut in list(cuts) + [len(stream)]:
                    got += framer.feed(stream[start:cut])
                    start = cut
                self.assertEqual([m.raw for m in got],
                                 [ps.encode_key(0, 0xF809), ps.encode_sync(), ps.encode_connect()])

    def test_unknown_type_comes_out_as_garbage_with_the_rest_of_the_read(self):
        framer = ps.Framer()
        got = framer.feed(h("06 00 00 07 00 00 06 00 00"))
        self.assertEqual([(m.known, m.raw) for m in got], [(True, h("06 00 00")), (False, h("07 00 00 06 00 00"))])
        self.assertEqual([m.raw for m in framer.feed(h("06 00 00"))], [h("06 00 00")])


class CommandTest(unittest.TestCase):
    def test_command_lines_build_messages(self):
        cases = [
            ("connect", [ps.encode_connect()]),
            ("connect 02.00.00", [ps.encode_connect("02.00.00")]),
            ("disconnect", [h("02 01 00 00")]),
            ("disconnect 5", [h("02 01 00 05")]),
            ("select 0x10 My App", [ps.encode_select(0x10, "My App")]),
            ("key Up", [h("10 03 00 00 09 F8"), h("10 03 00 01 09 F8")]),
            ("key case open down", [ps.encode_key(0, 0xF846)]),
            ("key 0xF809 up", [h("10 03 00 01 09 F8")]),
            ("raw 07 00 00", [h("07 00 00")]),
            ("raw 0x07,0x00", [h("07 00")]),
            ("checkbox 3 1 0 1", [ps.encode_check_box(3, [1, 0, 1])]),
            ("applist 7:0xFFFF:A", [ps.encode_app_list([(7, 0xFFFF, False, "A")])]),
            ("appdata 1 16 0102", [ps.encode_app_data(1, 16, h("01 02"))]),
        ]
        for line, want in cases:
            with self.subTest(line):
                self.assertEqual(ps.build_command(line.split()), want)
        for bad in ["frobnicate", "key Nope", "raw 0", "select", "button 1"]:
            with self.subTest(bad=bad), self.assertRaises((ValueError, IndexError)):
                ps.build_command(bad.split())


class PtyServer:
    """A stand-in server on the far end of a pty: runs `behaviour(data)`
    for each read and writes back what it returns."""

    def __init__(self, behaviour):
        self.master, slave = os.openpty()
        self.path = os.ttyname(slave)
        self.slave = slave
        self.behaviour = behaviour
        self.stop = False
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        import select
        while not self.stop:
            readable, _, _ = select.select([self.master], [], [], 0.05)
            if readable:
                reply = self.behaviour(os.read(self.master, 4096))
                if reply:
                    os.write(self.master, reply)

    def close(self):
        self.stop = True
        self.thread.join()
        os.close(self.master)
        os.close(self.slave)


class PhoneTest(unittest.TestCase):
    def test_connect_repeats_until_the_server_answers(self):
        seen = []

        def deaf_twice(data):
            seen.append(data)
            return data if len(seen) > 2 else None

        server = PtyServer(deaf_twice)
        try:
            with ps.Phone(server.path) as phone:
                answer = phone.connect(retry_every=0.1, limit=10)
                self.assertEqual(answer, ps.encode_connect())
                self.assertGreaterEqual(len(seen), 3)
        finally:
            server.close()

    def test_connect_gives_up_after_its_limit(self):
        server = PtyServer(lambda data: None)
        try:
            with ps.Phone(server.path) as phone:
                started = time.monotonic()
                with self.assertRaises(ps.ProtocolError):
                    phone.connect(retry_every=0.1, limit=0.5)
                self.assertLess(time.monotonic() - started, 2.0)
        finally:
            server.close()

    def test_answer_sync_answers_the_server_but_not_an_echo(self):
        received = []
        recovering = [False]

        def server_side(data):
            received.append(data)
            # A connected server echoes a sync; one that is recovering takes the phone's
            # answer as the end of recovery and sends nothing back.
            return None if recovering[0] else data

        server = PtyServer(server_side)
        try:
            with ps.Phone(server.path, answer_sync=True) as phone:
                # Our own sync comes back as an echo: it must not be answered,
                # or the two sides would ping-pong for ever.
                self.assertEqual(phone.sync_barrier(), [])
                self.assertEqual(phone.quiet(0.3), [])
                self.assertEqual(b"".join(received), h("06 00 00"))
                # A sync the server starts is answered at once, and only once.
                recovering[0] = True
                os.write(server.master, h("06 00 00"))
                self.assertEqual(phone.recv(5), h("06 00 00"))
                deadline = time.monotonic() + 5
                while len(b"".join(received)) < 6 and time.monotonic() < deadline:
                    phone.quiet(0.02)
                self.assertEqual(phone.quiet(0.3), [])
                self.assertEqual(b"".join(received), h("06 00 00 06 00 00"))
        finally:
            server.close()

    def test_console_prints_what_arrives_decoded(self):
        server = PtyServer(lambda data: h("02 01 00 01") if data[:1] == b"\x01" else None)
        try:
            with ps.Phone(server.path) as phone:
                out = io.StringIO()
                ps.Console(phone, out).run(["connect 9", "wait 0.5"])
                text = out.getvalue()
                self.assertIn('-> ', text)
                self.assertIn('connect version="9"', text)
                self.assertIn("<- ", text)
                self.assertIn("disconnect reason=1 (protocol version differs) [02 01 00 01]", text)
        finally:
            server.close()


if __name__ == "__main__":
    unittest.main()
