#!/usr/bin/env python3
"""Figures of the server running under Wine, measured from the phone's side:

  1. sync round trip: the phone sends 06 00 00 and waits for the echo; p50 and
     p99 over N round trips (goal: p99 < 5 ms);
  2. idle cost: resident memory of the server process and its CPU use over
     60 s with a connected phone that sends nothing;
  3. garbage bursts: bursts of random bytes on a live link, each followed by
     the phone's recovery; counts how many bursts the link came back from
     (goal: all) and whether the server is still alive.

Needs the Windows build (Quillant.exe) and the modem-line shim
(cmake --build --preset e2e). Prints the figures; it asserts nothing.

  python3 bench/wine_link_bench.py [--round-trips 1000] [--idle 60] [--bursts 1000]
"""

import argparse
import os
import random
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
from harness import phonesim as ps  # noqa: E402

SYNC = ps.encode_sync()
SERVER_CLOSES = bytes.fromhex("02 01 00 02")
SETTLE_WAIT = 2.5  # longer than the server's 2 s limit for a half message


percentile = harness.percentile


def connect(phone):
    answer = phone.connect(limit=60)
    if answer != ps.encode_connect():
        raise ps.ProtocolError("connect answered with %s" % answer.describe())
    phone.sync_barrier()


def round_trips(phone, count):
    for _ in range(50):  # warm-up: first passes through Wine's code paths
        phone.send(SYNC)
        phone.expect(SYNC, 10)
    times = []
    for _ in range(count):
        started = time.perf_counter()
        phone.send(SYNC)
        phone.expect(SYNC, 10)
        times.append((time.perf_counter() - started) * 1000.0)
    times.sort()
    return times


def wineserver_pid(prefix):
    """The wineserver of this prefix, found by the WINEPREFIX it runs with."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as f:
                if not f.read().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if ("WINEPREFIX=%s" % prefix).encode() in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_cost(session, seconds):
    server_pid = session.server.pid
    ws_pid = wineserver_pid(session.prefix)
    started = time.monotonic()
    server_before = cpu_seconds(server_pid)
    ws_before = cpu_seconds(ws_pid) if ws_pid else None
    phone_traffic = session.phones[0].quiet(seconds)
    elapsed = time.monotonic() - started
    server_share = (cpu_seconds(server_pid) - server_before) / elapsed
    ws_share = (cpu_seconds(ws_pid) - ws_before) / elapsed if ws_pid else None
    return session.server.resident_kib(), server_share, ws_share, phone_traffic


class Recovery:
    """Brings the link back to "connected and in sync" after arbitrary bytes.

    Probes are application selects of id 0 with a fresh name: the server
    answers them in the waiting and the connected state with that same name,
    so an answer tells which probe it belongs to. A sync from the server is
    answered at once (it is waiting 500 ms for it)."""

    def __init__(self, phone):
        self.phone = phone
        self.tag = 0
        self.reconnects = 0
        self.syncs_answered = 0

    def probe(self, with_sync=False):
        self.tag += 1
        name = "probe%d" % self.tag
        if with_sync:
            self.phone.send(SYNC)
        self.phone.send(ps.encode_select(0, name))
        return ps.encode_select(0, name)

    def reconnect(self, limit=60.0):
        """Connects again, repeating the connect until its echo arrives; the
        server may still be reopening its port, and stale answers may come first."""
        self.reconnects += 1
        request = ps.encode_connect()
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            self.phone.send(request)
            answer_by = time.monotonic() + 0.3
            while time.monotonic() < answer_by:
                msg = self.phone.recv(answer_by - time.monotonic())
                if msg == request:
                    return
        raise ps.ProtocolError("no answer to connect within %.0f s" % limit)

    def run(self, limit):
        deadline = time.monotonic() + limit
        self.phone.syncs_in_flight = 0
        expected = self.probe()
        verifying = False
        seen = []
        answers_this_burst = 0
        while time.monotonic() < deadline:
            msg = self.phone.recv(min(SETTLE_WAIT, max(deadline - time.monotonic(), 0)))
            if msg is None:
                # A half message swallowed the probe: the server drops it
                # after 2 s of silence and asks for a sync; probe again then.
                verifying, seen = False, []
                expected = self.probe()
                continue
            if msg == expected:
                if verifying and [m.raw for m in seen] == [SYNC]:
                    return True  # the sync was echoed: connected, in sync
                if verifying and not seen:
                    self.reconnect()  # waiting state: framing is fine, phone is not connected
                verifying, seen = True, []
                expected = self.probe(with_sync=True)
                continue
            if msg == SERVER_CLOSES:
                self.reconnect()
                verifying, seen = False, []
                expected = self.probe()
                continue
            if msg == SYNC and not verifying and answers_this_burst < 10:
                # Not verifying means no sync of ours is on the way: this one
                # is the server's, asking for an answer.
                self.phone.send(SYNC)
                self.phone.syncs_in_flight = 0
                self.syncs_answered += 1
                answers_this_burst += 1
                expected = self.probe()
                continue
            seen.append(msg)
        return False


def garbage_bursts(session, phone, count, seed):
    rng = random.Random(seed)
    recovery = Recovery(phone)
    recovered = 0
    durations = []
    failures = []
    for i in range(count):
        burst = bytes(rng.randrange(256) for _ in range(rng.randint(1, 64)))
        phone.send(burst)
        started = time.monotonic()
        if recovery.run(limit=60):
            recovered += 1
            durations.append(time.monotonic() - started)
        else:
            failures.append((i, burst.hex(" ")))
            if not session.server.alive():
                break
        phone.drain()
    return recovered, durations, failures, recovery


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--round-trips", type=int, default=1000)
    parser.add_argument("--idle", type=float, default=60.0, help="seconds of idle measurement")
    parser.add_argument("--bursts", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=20240601)
    args = parser.parse_args(argv)

    with harness.standalone_environment():
        with harness.Session("bench") as session:
            # A real phone answers the server's synchronisation message, which an idle link
            # gets after a minute of silence.
            phone = session.phone(answer_sync=True)
            connect(phone)

            times = round_trips(phone, args.round_trips)
            print("sync round trip over %d: p50 %.2f ms, p99 %.2f ms, max %.2f ms (goal p99 < 5 ms)"
                  % (len(times), percentile(times, 0.50), percentile(times, 0.99), times[-1]))

            rss, server_share, ws_share, traffic = idle_cost(session, args.idle)
            print("idle %.0f s with a connected phone: server resident %.1f MiB, server CPU %.2f%% of a core%s; "
                  "messages to the phone meanwhile: %d"
                  % (args.idle, rss / 1024.0, server_share * 100,
                     ", wineserver CPU %.2f%%" % (ws_share * 100) if ws_share is not None else "", len(traffic)))

            started = time.monotonic()
            recovered, durations, failures, recovery = garbage_bursts(session, phone, args.bursts, args.seed)
            durations.sort()
            print("garbage bursts: %d/%d recovered, server %s; recovery median %.1f ms, max %.0f ms; "
                  "%d syncs answered, %d reconnects; %.0f s in all"
                  % (recovered, args.bursts, "alive" if session.server.alive() else "DEAD",
                     percentile(durations, 0.5) * 1000 if durations else float("nan"),
                     durations[-1] * 1000 if durations else float("nan"),
                     recovery.syncs_answered, recovery.reconnects, time.monotonic() - started))
            for index, burst in failures[:10]:
                print("  not recovered: burst %d [%s]" % (index, burst))
            print("server resident after the bursts: %.1f MiB" % (session.server.resident_kib() / 1024.0))
    return 0


if __name__ == "__main__":
    sys.exit(main())
