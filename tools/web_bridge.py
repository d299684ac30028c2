#!/usr/bin/env python3
"""web_bridge: serves the phone page and carries its bytes to a serial device.

    python3 tools/web_bridge.py DEVICE [--port 8080] [--root web/dist]

Then open http://localhost:8080/?bridge in a desktop browser: instead of Web Serial the page
sends its bytes over a WebSocket at /bridge, and this bridge writes them to DEVICE (a serial
port, or the phone end of a pty pair whose other end the server under Wine has open) and sends
back what the server writes. For trying the page out and for tests only: it listens on the
loopback address alone, and one page at a time is connected (a newer one replaces it).

Python 3 standard library only.
"""

import argparse
import base64
import functools
import hashlib
import http.server
import os
import select
import socket
import struct
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import phonesim  # noqa: E402  (the serial device's raw mode)

WEBSOCKET_GUID = b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11"
OP_CONTINUATION, OP_TEXT, OP_BINARY, OP_CLOSE, OP_PING, OP_PONG = 0x0, 0x1, 0x2, 0x8, 0x9, 0xA
# The page's messages are small; anything larger than this is not from the page.
MAX_FRAME = 1 << 20


def raw_clock():
    """The clock Wine's timestamps use, so that the bridge's times compare with the target's."""
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


class WebSocket:
    """The server's side of one WebSocket connection (RFC 6455), binary messages only."""

    def __init__(self, sock, reader):
        self.sock = sock
        self.reader = reader
        self.lock = threading.Lock()
        self.closed = False

    def _read_exact(self, count):
        data = self.reader.read(count)
        if data is None or len(data) < count:
            raise EOFError
        return data

    def receive(self):
        """The next binary message, or None when the connection ends."""
        message = b""
        while True:
            try:
                first, second = self._read_exact(2)
                length = second & 0x7F
                if length == 126:
                    length = struct.unpack(">H", self._read_exact(2))[0]
                elif length == 127:
                    length = struct.unpack(">Q", self._read_exact(8))[0]
                if length > MAX_FRAME or not second & 0x80:  # a client must mask its frames
                    self.close(1009 if length > MAX_FRAME else 1002)
                    return None
                mask = self._read_exact(4)
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(self._read_exact(length)))
            except (EOFError, OSError, ValueError):
                return None
            opcode = first & 0x0F
            if opcode == OP_CLOSE:
                self.close()
                return None
            if opcode == OP_PING:
                self._send(OP_PONG, payload)
                continue
            if opcode in (OP_BINARY, OP_TEXT, OP_CONTINUATION):
                message += payload
                if first & 0x80:
                    return message
            # Pongs and unknown opcodes carry nothing for the line.

    def send(self, data):
        self._send(OP_BINARY, data)

    def _send(self, opcode, payload):
        header = bytes([0x80 | opcode])
        if len(payload) < 126:
            header += bytes([len(payload)])
        elif len(payload) < 1 << 16:
            header += bytes([126]) + struct.pack(">H", len(payload))
        else:
            header += bytes([127]) + struct.pack(">Q", len(payload))
        with self.lock:
            if self.closed:
                return
            try:
                self.sock.sendall(header + payload)
            except OSError:
                self.closed = True

    def close(self, code=1000):
        if not self.closed:
            self._send(OP_CLOSE, struct.pack(">H", code))
            self.closed = True
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


class Bridge:
    """Serves `root` over HTTP on 127.0.0.1 and joins the page's WebSocket at /bridge to the
    serial device at `device`. Everything that passes is kept in `transcript` as
    (CLOCK_MONOTONIC_RAW ns, "->" from the page or "<-" to it, bytes)."""

    def __init__(self, device, root, port=0):
        self.device = device
        self.root = os.path.abspath(root)
        self.transcript = []
        self.fd = None
        self.client = None
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        handler = functools.partial(_Handler, self, directory=self.root)
        self.http = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self.http.daemon_threads = True
        self.port = self.http.server_address[1]
        self.url = "http://localhost:%d/" % self.port
        self.threads = []

    def start(self):
        self.fd = os.open(self.device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        if os.isatty(self.fd):
            phonesim.configure_raw(self.fd)
        for target in (self.http.serve_forever, self._pump_device):
            thread = threading.Thread(target=target, daemon=True)
            thread.start()
            self.threads.append(thread)
        return self

    def stop(self):
        self.stopping.set()
        self.http.shutdown()
        self.http.server_close()
        with self.lock:
            if self.client:
                self.client.close()
        for thread in self.threads:
            thread.join(5)
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def sent_by_page(self, since_ns=0):
        """Everything the page sent since `since_ns`, joined."""
        return b"".join(data for ns, way, data in self.transcript if way == "->" and ns >= since_ns)

    def attach(self, ws):
        with self.lock:
            old, self.client = self.client, ws
        if old:
            old.close()

    def detach(self, ws):
        with self.lock:
            if self.client is ws:
                self.client = None

    def to_device(self, data):
        self.transcript.append((raw_clock(), "->", data))
        view = memoryview(data)
        while view and not self.stopping.is_set():
            select.select([], [self.fd], [], 1.0)
            try:
                view = view[os.write(self.fd, view):]
            except BlockingIOError:
                continue
            except OSError:
                return  # the line is gone; the page will notice the silence

    def _pump_device(self):
        while not self.stopping.is_set():
            readable, _, _ = select.select([self.fd], [], [], 0.2)
            if not readable:
                continue
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                continue
            except OSError:
                # The other end of a pty hung up; wait for it to come back.
                time.sleep(0.1)
                continue
            if not data:
                time.sleep(0.05)
                continue
            self.transcript.append((raw_clock(), "<-", data))
            with self.lock:
                client = self.client
            if client:  # with no page connected, the bytes are lost as on a dead link
                client.send(data)


class _Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".webmanifest": "application/manifest+json", ".js": "text/javascript"})

    def __init__(self, bridge, *args, **kwargs):
        self.bridge = bridge
        super().__init__(*args, **kwargs)

    def log_message(self, fmt, *args):
        pass

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def do_GET(self):
        if self.path.split("?")[0] != "/bridge":
            return super().do_GET()
        key = self.headers.get("Sec-WebSocket-Key")
        if self.headers.get("Upgrade", "").lower() != "websocket" or not key:
            self.send_error(400, "WebSocket only")
            return
        accept = base64.b64encode(hashlib.sha1(key.encode("ascii") + WEBSOCKET_GUID).digest()).decode("ascii")
        self.send_response_only(101)
        self.send_header("Upgrade", "websocket")
        self.send_header("Connection", "Upgrade")
        self.send_header("Sec-WebSocket-Accept", accept)
        self.end_headers()
        ws = WebSocket(self.connection, self.rfile)
        self.bridge.attach(ws)
        try:
            while True:
                data = ws.receive()
                if data is None:
                    break
                if data:
                    self.bridge.to_device(data)
        finally:
            self.bridge.detach(ws)
            ws.close()
        self.close_connection = True


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("device", help="serial device, e.g. the phone end of a pty pair")
    parser.add_argument("--port", type=int, default=8080, help="port on 127.0.0.1 (default 8080)")
    root = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "web", "dist")
    parser.add_argument("--root", default=root, help="the built page (default web/dist)")
    args = parser.parse_args(argv)
    if not os.path.isfile(os.path.join(args.root, "index.html")):
        print("web_bridge: %s has no built page: run npm ci && npm run build in web/" % args.root, file=sys.stderr)
        return 2
    try:
        bridge = Bridge(args.device, args.root, args.port).start()
    except OSError as exc:
        print("web_bridge: %s" % exc, file=sys.stderr)
        return 2
    print("web_bridge: open %s?bridge (Ctrl-C ends)" % bridge.url, flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass
    finally:
        bridge.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
