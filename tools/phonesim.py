#!/usr/bin/env python3
"""phonesim: plays the phone's side of the Tarvo Quillant serial protocol.

Use it by hand against any serial device (a Bluetooth COM port, a USB serial
adapter, one end of a pty pair) to talk to the server, or import it from a
test: the message encoders, the decoder, the stream framer and the Phone class
are the library; main() is the interactive tool.

Python 3 standard library only; POSIX serial devices (termios).
"""

import argparse
import os
import select
import shlex
import sys
import termios
import threading
import time

PROTOCOL_VERSION = "01.01.00"

# Message type codes.
CONNECT = 1
DISCONNECT = 2
APP_SELECT = 3
LIST_REQUEST = 4
APP_LIST = 5
SYNC = 6
KEY_EVENT = 16
APP_DATA = 18
BUTTON = 19
EDIT_BOX = 20
LIST_BOX = 21
RADIO_BUTTON = 22
CHECK_BOX = 23

TYPE_NAMES = {
    CONNECT: "connect",
    DISCONNECT: "disconnect",
    APP_SELECT: "select",
    LIST_REQUEST: "list-request",
    APP_LIST: "app-list",
    SYNC: "sync",
    KEY_EVENT: "key",
    APP_DATA: "app-data",
    BUTTON: "button",
    EDIT_BOX: "edit",
    LIST_BOX: "listbox",
    RADIO_BUTTON: "radio",
    CHECK_BOX: "checkbox",
}

DISCONNECT_REASONS = {1: "protocol version differs", 2: "server closes the connection"}

# Phone keys in the order the server's profiles know them.
KEY_CODES = (
    [("Clear", 0x0008)]
    + [(str(d), 0x0030 + d) for d in range(10)]
    + [
        ("Star", 0x002A),
        ("Hash", 0x0023),
        ("Connect", 0xF862),
        ("Disconnect", 0xF863),
        ("Left", 0xF807),
        ("Up", 0xF809),
        ("Down", 0xF80A),
        ("Right", 0xF808),
        ("Power", 0xF844),
        ("Button", 0xF845),
        ("Case Open", 0xF846),
        ("Case Close", 0xF847),
        ("Speaker", 0xF848),
        ("Menu", 0xF852),
    ]
)

# Extra codes the presentation manager acts on (pointer on/off and the like).
POINTER_CODES = range(0xFF01, 0xFF05)

APP_TYPE_PROFILE = 0xFFFF
APP_TYPE_PRESENTATION = 0x0010

KEY_PRESSED = 0
KEY_RELEASED = 1

MAX_MESSAGE = 65535  # the length field and the send count are 16-bit


class ProtocolError(Exception):
    """The server sent something other than what was expected, or nothing."""


# ---------------------------------------------------------------- encoding


def frame(msg_type, body=b""):
    """A whole message: type, little-endian body length, body."""
    if not 0 <= msg_type <= 255:
        raise ValueError("message type must fit one byte: %r" % msg_type)
    if len(body) + 3 > MAX_MESSAGE:
        raise ValueError("message of %d bytes is longer than %d" % (len(body) + 3, MAX_MESSAGE))
    return bytes([msg_type]) + len(body).to_bytes(2, "little") + bytes(body)


def utf16z(text):
    """Text as UTF-16LE code units followed by a 16-bit zero."""
    return text.encode("utf-16-le") + b"\x00\x00"


def u16(value):
    return (value & 0xFFFF).to_bytes(2, "little")


def u32(value):
    return (value & 0xFFFFFFFF).to_bytes(4, "little")


def encode_connect(version=PROTOCOL_VERSION):
    return frame(CONNECT, utf16z(version))


def encode_disconnect(reason):
    return frame(DISCONNECT, bytes([reason & 0xFF]))


def encode_select(app_id, name=""):
    return frame(APP_SELECT, u32(app_id) + utf16z(name))


def encode_list_request():
    return frame(LIST_REQUEST)


def encode_app_list(entries):
    """entries: (app_id, app_type, active, name) tuples. The count byte wraps at
    256 and only that many entries follow, as the server itself sends it."""
    entries = list(entries)[: len(entries) % 256]
    body = bytes([len(entries)])
    for app_id, app_type, active, name in entries:
        body += u32(app_id) + u16(app_type) + bytes([1 if active else 0]) + utf16z(name)
    return frame(APP_LIST, body)


def encode_sync():
    return frame(SYNC)


def encode_key(kind, code):
    return frame(KEY_EVENT, bytes([kind & 0xFF]) + u16(code))


def encode_app_data(app_id, app_type, payload):
    return frame(APP_DATA, u32(app_id) + u16(app_type) + bytes(payload))


def encode_button(control, value):
    return frame(BUTTON, u16(control) + bytes([value & 0xFF]))


def encode_edit_box(control, text):
    """Edit-box text travels as one byte per character, then two bytes the
    server does not read; a zero pair keeps it a C string for the phone."""
    return frame(EDIT_BOX, u16(control) + text.encode("latin-1") + b"\x00\x00")


def encode_list_box(control, index, text):
    return frame(LIST_BOX, u16(control) + bytes([index & 0xFF]) + utf16z(text))


def encode_radio_button(control, value):
    return frame(RADIO_BUTTON, u16(control) + bytes([value & 0xFF]))


def encode_check_box(control, states):
    states = bytes(states)
    return frame(CHECK_BOX, u16(control) + bytes([len(states) & 0xFF]) + states)


def key_code(name_or_code):
    """A phone key by its name (any letter case) or as a number ("0xF809")."""
    text = str(name_or_code).strip()
    for name, code in KEY_CODES:
        if name.lower() == text.lower():
            return code
    try:
        code = int(text, 0)
    except ValueError:
        raise ValueError("unknown key %r" % text) from None
    if not 0 <= code <= 0xFFFF:
        raise ValueError("key code out of 16-bit range: %r" % text)
    return code


def key_name(code):
    for name, value in KEY_CODES:
        if value == code:
            return name
    if code in POINTER_CODES:
        return "pointer-%d" % (code - 0xFF00)
    return "0x%04X" % code


# ---------------------------------------------------------------- decoding


class Reader:
    """Bounds-checked little-endian reads over a message body. A read past
    the end yields nothing and marks the body as short, so odd input from
    the wire prints as such instead of raising."""

    def __init__(self, data):
        self.data = bytes(data)
        self.pos = 0
        self.short = False

    def remaining(self):
        return len(self.data) - self.pos

    def take(self, n):
        if n > self.remaining():
            self.short = True
            n = max(self.remaining(), 0)
        chunk = self.data[self.pos : self.pos + n]
        self.pos += n
        return chunk

    def int(self, width):
        chunk = self.take(width)
        return int.from_bytes(chunk, "little") if len(chunk) == width else None

    def wide_string(self, units=None):
        """UTF-16LE text: `units` code units, or up to the next 16-bit zero."""
        if units is None:
            end = self.pos
            while end + 1 < len(self.data) and self.data[end : end + 2] != b"\x00\x00":
                end += 2
            units = (end - self.pos) // 2
            text = self.take(units * 2)
            if self.take(2) != b"\x00\x00":
                self.short = True
        else:
            text = self.take(max(units, 0) * 2)
        return text.decode("utf-16-le", errors="replace")


def decode_presentation_data(payload):
    """The slide-show record carried by app-data of type 16."""
    r = Reader(payload)
    out = {
        "current_slide": r.int(2),
        "total_slides": r.int(2),
        "running": bool(r.int(1)),
        "show_name": r.wide_string(),
        "notes": r.wide_string(),
        "titles": [],
    }
    while r.remaining() >= 2 and len(out["titles"]) < (out["total_slides"] or 0):
        out["titles"].append(r.wide_string())
    return out


def decode_fields(msg_type, body):
    """The fields of a message body as a dict, read the way the server reads
    them. Unknown types give {}; a body shorter than its fields gives what is
    there and "short": True."""
    r = Reader(body)
    length = len(body)
    f = {}
    if msg_type == CONNECT:
        f["version"] = r.wide_string(length // 2 - 1)
    elif msg_type == DISCONNECT:
        f["reason"] = r.int(1)
    elif msg_type == APP_SELECT:
        f["app_id"] = r.int(4)
        f["name"] = r.wide_string((length - 4) // 2 - 1)
    elif msg_type == APP_LIST:
        count = r.int(1) or 0
        entries = []
        for _ in range(count):
            app_id, app_type, active = r.int(4), r.int(2), r.int(1)
            name = r.wide_string()
            if r.short:
                break
            entries.append({"app_id": app_id, "app_type": app_type, "active": bool(active), "name": name})
        f["entries"] = entries
    elif msg_type == KEY_EVENT:
        f["kind"] = r.int(1)
        f["code"] = r.int(2)
    elif msg_type == APP_DATA:
        f["app_id"] = r.int(4)
        f["app_type"] = r.int(2)
        f["payload"] = r.take(r.remaining())
        if f["app_type"] == APP_TYPE_PRESENTATION:
            f["presentation"] = decode_presentation_data(f["payload"])
    elif msg_type in (BUTTON, RADIO_BUTTON):
        f["control"] = r.int(2)
        f["value"] = r.int(1)
    elif msg_type == EDIT_BOX:
        f["control"] = r.int(2)
        f["text"] = r.take(length - 4).decode("latin-1")
    elif msg_type == LIST_BOX:
        f["control"] = r.int(2)
        f["index"] = r.int(1)
        f["text"] = r.wide_string((length - 3) // 2 - 1)
    elif msg_type == CHECK_BOX:
        f["control"] = r.int(2)
        count = r.int(1) or 0
        f["states"] = list(r.take(count))
    if r.short:
        f["short"] = True
    return f


class Message:
    """One message as it came off the wire."""

    def __init__(self, raw, when=None, known=True):
        self.raw = bytes(raw)
        self.when = time.monotonic() if when is None else when
        self.known = known

    @property
    def type(self):
        return self.raw[0]

    @property
    def body(self):
        return self.raw[3:]

    @property
    def fields(self):
        return decode_fields(self.type, self.body) if self.known else {}

    def __eq__(self, other):
        if isinstance(other, (bytes, bytearray)):
            return self.raw == bytes(other)
        return isinstance(other, Message) and self.raw == other.raw

    def __hash__(self):
        return hash(self.raw)

    def __repr__(self):
        return "Message(%s)" % hexdump(self.raw)

    def describe(self):
        return describe(self.raw, self.known)


def hexdump(data, limit=64):
    text = " ".join("%02X" % b for b in data[:limit])
    return text + (" ... (%d bytes)" % len(data) if len(data) > limit else "")


def describe(raw, known=True):
    """One line of text for a message: its name, its fields, its bytes."""
    raw = bytes(raw)
    if len(raw) < 3 or not known:
        return "garbage [%s]" % hexdump(raw)
    msg_type = raw[0]
    name = TYPE_NAMES.get(msg_type, "type-%d" % msg_type)
    f = decode_fields(msg_type, raw[3:])
    parts = []
    if msg_type == CONNECT:
        parts.append('version="%s"' % f["version"])
    elif msg_type == DISCONNECT:
        reason = f["reason"]
        parts.append("reason=%s%s" % (reason, " (%s)" % DISCONNECT_REASONS[reason] if reason in DISCONNECT_REASONS else ""))
    elif msg_type == APP_SELECT:
        parts.append('id=0x%08X name="%s"' % (f["app_id"] or 0, f["name"]))
    elif msg_type == APP_LIST:
        parts.append("%d entries" % len(f["entries"]))
        for e in f["entries"]:
            parts.append('[id=0x%08X type=0x%04X%s "%s"]' % (e["app_id"], e["app_type"], " active" if e["active"] else "", e["name"]))
    elif msg_type == KEY_EVENT:
        kind = {KEY_PRESSED: "down", KEY_RELEASED: "up"}.get(f["kind"], str(f["kind"]))
        parts.append("%s %s" % (key_name(f["code"] or 0), kind))
    elif msg_type == APP_DATA:
        parts.append("id=0x%08X type=0x%04X payload=%d bytes" % (f["app_id"] or 0, f["app_type"] or 0, len(f["payload"])))
        p = f.get("presentation")
        if p:
            parts.append(
                'slide %s/%s%s show="%s" notes="%s" titles=%s'
                % (p["current_slide"], p["total_slides"], " running" if p["running"] else "", p["show_name"], p["notes"], p["titles"])
            )
    elif msg_type in (BUTTON, RADIO_BUTTON):
        parts.append("control=%s value=%s" % (f["control"], f["value"]))
    elif msg_type == EDIT_BOX:
        parts.append('control=%s text="%s"' % (f["control"], f["text"]))
    elif msg_type == LIST_BOX:
        parts.append('control=%s index=%s text="%s"' % (f["control"], f["index"], f["text"]))
    elif msg_type == CHECK_BOX:
        parts.append("control=%s states=%s" % (f["control"], f["states"]))
    if f.get("short"):
        parts.append("(body shorter than its fields)")
    return " ".join([name] + parts + ["[%s]" % hexdump(raw)])


class Framer:
    """Cuts the byte stream from the server into messages by their length
    field. A header with a type the protocol does not have cannot be framed:
    it and the rest of that read come out as one "garbage" message."""

    def __init__(self):
        self.pending = b""

    def feed(self, data, when=None):
        self.pending += bytes(data)
        out = []
        while len(self.pending) >= 3:
            if self.pending[0] not in TYPE_NAMES:
                out.append(Message(self.pending, when, known=False))
                self.pending = b""
                break
            total = 3 + int.from_bytes(self.pending[1:3], "little")
            if len(self.pending) < total:
                break
            out.append(Message(self.pending[:total], when))
            self.pending = self.pending[total:]
        return out


# ---------------------------------------------------------------- the port


BAUD_RATES = {
    1200: termios.B1200,
    2400: termios.B2400,
    4800: termios.B4800,
    9600: termios.B9600,
    19200: termios.B19200,
    38400: termios.B38400,
    57600: termios.B57600,
    115200: termios.B115200,
}


def configure_raw(fd, baud=9600):
    """8 data bits, no parity, 1 stop bit, no echo, no line editing, no flow
    control: the port passes bytes through untouched."""
    attrs = termios.tcgetattr(fd)
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = attrs
    iflag &= ~(termios.IGNBRK | termios.BRKINT | termios.PARMRK | termios.ISTRIP | termios.INLCR
               | termios.IGNCR | termios.ICRNL | termios.IXON | termios.IXOFF | termios.IXANY)
    oflag &= ~termios.OPOST
    lflag &= ~(termios.ECHO | termios.ECHONL | termios.ICANON | termios.ISIG | termios.IEXTEN)
    cflag &= ~(termios.CSIZE | termios.PARENB | termios.CSTOPB)
    cflag |= termios.CS8 | termios.CREAD | termios.CLOCAL
    speed = BAUD_RATES.get(baud)
    if speed is None:
        raise ValueError("unsupported baud rate %r (one of %s)" % (baud, sorted(BAUD_RATES)))
    cc[termios.VMIN] = 0
    cc[termios.VTIME] = 0
    termios.tcsetattr(fd, termios.TCSANOW, [iflag, oflag, cflag, lflag, speed, speed, cc])


class Phone:
    """The phone's end of the serial link.

    Every message sent and received is kept in `transcript` as
    (time, "->" or "<-", bytes), so that a failing test can show the exchange.
    With `answer_sync` on, a synchronisation message from the server is
    answered at once, unless it is the echo of one this phone sent.
    """

    def __init__(self, path, baud=9600, answer_sync=False):
        self.path = path
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            if os.isatty(self.fd):
                configure_raw(self.fd, baud)
        except Exception:
            os.close(self.fd)
            raise
        self.framer = Framer()
        self.inbox = []
        self.transcript = []
        self.answer_sync = answer_sync
        self.syncs_in_flight = 0
        self.lock = threading.Lock()

    def close(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def fileno(self):
        return self.fd

    # -- sending

    def send(self, data, timeout=10.0):
        data = bytes(data)
        if data[:3] == encode_sync():
            self.syncs_in_flight += 1
        self.transcript.append((time.monotonic(), "->", data))
        view = memoryview(data)
        deadline = time.monotonic() + timeout
        while view:
            left = deadline - time.monotonic()
            if left <= 0:
                raise ProtocolError("port %s accepts no more bytes" % self.path)
            _, writable, _ = select.select([], [self.fd], [], left)
            if not writable:
                continue
            try:
                view = view[os.write(self.fd, view):]
            except BlockingIOError:
                continue

    # -- receiving

    def _read_into_inbox(self, timeout):
        """Waits up to `timeout` for bytes and frames whatever arrived."""
        readable, _, _ = select.select([self.fd], [], [], max(timeout, 0))
        if not readable:
            return False
        try:
            data = os.read(self.fd, 65536)
        except BlockingIOError:
            return False
        except OSError:
            # The other end of a pty hung up; nothing to read until it is back.
            time.sleep(min(max(timeout, 0), 0.05))
            return False
        if not data:
            return False
        now = time.monotonic()
        for msg in self.framer.feed(data, now):
            self.transcript.append((msg.when, "<-", msg.raw))
            if msg == encode_sync():
                if self.syncs_in_flight:
                    self.syncs_in_flight -= 1
                elif self.answer_sync:
                    os.write(self.fd, encode_sync())
                    self.transcript.append((time.monotonic(), "->", encode_sync()))
            self.inbox.append(msg)
        return True

    def recv(self, timeout):
        """The next message, or None when none arrives within `timeout` s."""
        deadline = time.monotonic() + timeout
        while not self.inbox:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            self._read_into_inbox(left)
        return self.inbox.pop(0)

    def expect(self, raw, timeout=10.0):
        """The next message must be exactly `raw`."""
        msg = self.recv(timeout)
        if msg is None:
            raise ProtocolError("expected [%s], nothing arrived within %.1f s" % (hexdump(raw), timeout))
        if msg != raw:
            raise ProtocolError("expected [%s], got %s" % (hexdump(raw), msg.describe()))
        return msg

    def quiet(self, duration):
        """Listens for `duration` seconds; returns everything that arrived."""
        deadline = time.monotonic() + duration
        while time.monotonic() < deadline:
            self._read_into_inbox(deadline - time.monotonic())
        got, self.inbox = self.inbox, []
        return got

    def drain(self):
        got, self.inbox = self.inbox, []
        return got

    # -- conversations

    def connect(self, version=PROTOCOL_VERSION, retry_every=0.3, limit=30.0):
        """Sends connect until the server answers; returns the first answer.

        The server throws away whatever arrived before it (re)opened its port,
        so a connect is repeated until one gets through."""
        request = encode_connect(version)
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            self.send(request)
            msg = self.recv(min(retry_every, max(deadline - time.monotonic(), 0)))
            if msg is not None:
                return msg
        raise ProtocolError("no answer to connect within %.1f s" % limit)

    def sync_barrier(self, timeout=10.0):
        """Sends a sync and reads up to its echo; returns what came before it.
        Only a connected server echoes, so this also proves the state."""
        self.send(encode_sync())
        before = []
        deadline = time.monotonic() + timeout
        while True:
            msg = self.recv(deadline - time.monotonic())
            if msg is None:
                raise ProtocolError("no sync echo within %.1f s; before it: %s" % (timeout, [m.describe() for m in before]))
            if msg == encode_sync():
                return before
            before.append(msg)

    def request_list(self, timeout=10.0):
        """Asks for the application list; returns the entries of the answer
        (dicts with app_id, app_type, active, name). Anything other than an
        application list arriving first is an error."""
        self.send(encode_list_request())
        return self.expect_list(timeout)

    def expect_list(self, timeout=10.0):
        """The entries of the next message, which must be an application list."""
        msg = self.recv(timeout)
        if msg is None:
            raise ProtocolError("no application list within %.1f s" % timeout)
        if msg.type != APP_LIST:
            raise ProtocolError("expected an application list, got %s" % msg.describe())
        return msg.fields["entries"]

    def select(self, app_id, name="", timeout=10.0):
        """Selects an application; returns the answer's (app_id, name)."""
        self.send(encode_select(app_id, name))
        # The server's 3 s poll may send a changed list at any moment (a phone takes it
        # whenever it comes), also between a list request's answer and this one.
        deadline = time.monotonic() + timeout
        msg = self.recv(timeout)
        while msg is not None and msg.type == APP_LIST:
            msg = self.recv(max(0.0, deadline - time.monotonic()))
        if msg is None or msg.type != APP_SELECT:
            raise ProtocolError("expected the answer to select, got %s" % (msg.describe() if msg else "nothing"))
        return msg.fields["app_id"], msg.fields["name"]

    def key(self, name_or_code, action="press"):
        """A key event: action "down", "up" or "press" (down, then up)."""
        code = key_code(name_or_code)
        if action in ("down", "press"):
            self.send(encode_key(KEY_PRESSED, code))
        if action in ("up", "press"):
            self.send(encode_key(KEY_RELEASED, code))

    def format_transcript(self, since=0.0):
        lines = []
        base = self.transcript[0][0] if self.transcript else 0.0
        for when, way, raw in self.transcript:
            if when >= since:
                lines.append("%9.3f %s %s" % (when - base, way, describe(raw)))
        return "\n".join(lines)


# ---------------------------------------------------------------- the tool


COMMAND_HELP = """\
commands (numbers take decimal or 0x hex):
  connect [version]               connect, default version %(version)s
  disconnect [reason]             disconnect, default reason 0
  list                            ask for the application list
  select <id> [name]              select an application by id
  key <name|code> [down|up|press] key event (default press = down then up)
  sync                            synchronisation message 06 00 00
  button <control> <value>        button event
  edit <control> <text>           edit-box event (8-bit text)
  listbox <control> <index> <text>  list-box event
  radio <control> <value>         radio-button event
  checkbox <control> [state ...]  check-box event with its state bytes
  applist <id>:<type>:<name> ...  an application list (the server treats it as garbage)
  appdata <id> <type> [hex payload]  application data
  raw <hex bytes>                 any bytes, e.g. raw 07 00 00
  autosync on|off                 answer the server's sync at once (default on)
  keys                            the phone key names
  wait <seconds>                  pause a script
  help, quit
every arriving message is printed as it arrives:  <- time  name fields [bytes]
""" % {"version": PROTOCOL_VERSION}


def parse_int(text):
    return int(text, 0)


def parse_hex(words):
    text = "".join(words).replace(",", "").replace("0x", "")
    if len(text) % 2:
        raise ValueError("odd number of hex digits")
    return bytes.fromhex(text)


def build_command(words):
    """Turns one command line into the bytes to send (a list of messages)."""
    cmd, args = words[0].lower(), words[1:]
    if cmd == "connect":
        return [encode_connect(args[0] if args else PROTOCOL_VERSION)]
    if cmd == "disconnect":
        return [encode_disconnect(parse_int(args[0]) if args else 0)]
    if cmd == "list":
        return [encode_list_request()]
    if cmd == "select":
        return [encode_select(parse_int(args[0]), " ".join(args[1:]))]
    if cmd == "key":
        # Key names may have a space ("Case Open"): the action word is last.
        action = "press"
        if len(args) > 1 and args[-1].lower() in ("down", "up", "press"):
            action = args[-1].lower()
            args = args[:-1]
        code = key_code(" ".join(args))
        if action == "down":
            return [encode_key(KEY_PRESSED, code)]
        if action == "up":
            return [encode_key(KEY_RELEASED, code)]
        return [encode_key(KEY_PRESSED, code), encode_key(KEY_RELEASED, code)]
    if cmd == "sync":
        return [encode_sync()]
    if cmd == "button":
        return [encode_button(parse_int(args[0]), parse_int(args[1]))]
    if cmd == "radio":
        return [encode_radio_button(parse_int(args[0]), parse_int(args[1]))]
    if cmd == "edit":
        return [encode_edit_box(parse_int(args[0]), " ".join(args[1:]))]
    if cmd == "listbox":
        return [encode_list_box(parse_int(args[0]), parse_int(args[1]), " ".join(args[2:]))]
    if cmd == "checkbox":
        return [encode_check_box(parse_int(args[0]), [parse_int(a) for a in args[1:]])]
    if cmd == "applist":
        entries = []
        for item in args:
            app_id, app_type, name = item.split(":", 2)
            entries.append((parse_int(app_id), parse_int(app_type), False, name))
        return [encode_app_list(entries)]
    if cmd == "appdata":
        return [encode_app_data(parse_int(args[0]), parse_int(args[1]), parse_hex(args[2:]))]
    if cmd == "raw":
        return [parse_hex(args)]
    raise ValueError("unknown command %r (try help)" % cmd)


class Console:
    """The interactive tool: a reader thread prints what arrives while the
    main thread reads commands."""

    def __init__(self, phone, out=sys.stdout):
        self.phone = phone
        self.out = out
        self.start = time.monotonic()
        self.stop = threading.Event()
        self.print_lock = threading.Lock()

    def say(self, text):
        with self.print_lock:
            self.out.write(text + "\n")
            self.out.flush()

    def stamp(self):
        return "%8.3f" % (time.monotonic() - self.start)

    def listen(self):
        while not self.stop.is_set():
            with self.phone.lock:
                self.phone._read_into_inbox(0)
                arrived = self.phone.drain()
            for msg in arrived:
                self.say("<- %s %s" % (self.stamp(), msg.describe()))
            select.select([self.phone.fd], [], [], 0.05)

    def run_line(self, line):
        words = shlex.split(line)
        if not words:
            return True
        cmd = words[0].lower()
        if cmd in ("quit", "exit"):
            return False
        if cmd == "help":
            self.say(COMMAND_HELP)
        elif cmd == "keys":
            self.say(", ".join("%s=0x%04X" % kc for kc in KEY_CODES))
        elif cmd == "autosync":
            self.phone.answer_sync = len(words) > 1 and words[1].lower() == "on"
            self.say("autosync %s" % ("on" if self.phone.answer_sync else "off"))
        elif cmd == "wait":
            time.sleep(float(words[1]))
        else:
            try:
                messages = build_command(words)
            except (ValueError, IndexError) as exc:
                self.say("error: %s" % (exc or "missing argument"))
                return True
            for raw in messages:
                with self.phone.lock:
                    self.phone.send(raw)
                self.say("-> %s %s" % (self.stamp(), describe(raw)))
        return True

    def run(self, lines):
        reader = threading.Thread(target=self.listen, daemon=True)
        reader.start()
        try:
            for line in lines:
                if not self.run_line(line):
                    break
        except KeyboardInterrupt:
            pass
        finally:
            self.stop.set()
            reader.join(1.0)


def stdin_lines(prompt):
    interactive = sys.stdin.isatty()
    while True:
        try:
            line = input(prompt if interactive else "")
        except EOFError:
            return
        yield line


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="phonesim",
        formatter_class=argparse.RawDescriptionHelpFormatter,
        description="Play the phone against a Tarvo Quillant server over a serial port. "
        "Type commands to send messages; everything the server sends is printed decoded.",
        epilog=COMMAND_HELP
        + "\nexamples:\n"
        "  phonesim.py /dev/rfcomm0\n"
        "  phonesim.py /tmp/link/phone -c connect -c list --listen 2\n"
        "  printf 'connect\\nkey Up press\\nwait 1\\n' | phonesim.py /dev/ttyUSB0\n",
    )
    parser.add_argument("device", help="serial device path, e.g. /dev/rfcomm0 or one end of a pty pair")
    parser.add_argument("--baud", type=int, default=9600, help="line speed (default 9600)")
    parser.add_argument("-c", "--command", action="append", default=[], help="run this command (repeatable) instead of reading commands")
    parser.add_argument("--listen", type=float, default=1.0, help="with -c: seconds to keep printing after the last command (default 1)")
    parser.add_argument("--no-autosync", action="store_true", help="do not answer the server's synchronisation messages")
    args = parser.parse_args(argv)

    try:
        phone = Phone(args.device, args.baud, answer_sync=not args.no_autosync)
    except (OSError, ValueError) as exc:
        print("phonesim: cannot open %s: %s" % (args.device, exc), file=sys.stderr)
        return 2
    with phone:
        console = Console(phone)
        if args.command:
            console.run(args.command + ["wait %s" % args.listen])
        else:
            if sys.stdin.isatty():
                console.say("phonesim on %s at %d baud; type help for the commands" % (args.device, args.baud))
            console.run(stdin_lines("phone> "))
    return 0


if __name__ == "__main__":
    sys.exit(main())
