#!/usr/bin/env python3
"""Figures of the server under Wine on serial ports that misbehave (the modem-line shim's gates):

  1. failing port: the server's CPU share over N s while its port opens and then fails at once
     (gate no-status: the count of waiting bytes cannot be read; gate no-lines: no modem lines),
     and the time from the port working again to the phone's connect being answered;
  2. phone that does not read: the server's resident memory over N s while a phone asks for a
     large application list every 100 ms and reads nothing;
  3. slow open: how long the server's window takes to answer a message, over a 20 s open of its
     port (each ping gives up after 1 s).

Runs whatever build QUILLANT_WINDOWS_BUILD names (default build/windows), so the same command
measures an older build. Needs the modem-line shim (cmake --build --preset e2e). Prints the
figures; asserts nothing.

  python3 bench/wine_link_robustness_bench.py [--cpu-window 10] [--no-read 60] [--open 20]
"""

import argparse
import os
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
from harness import phonesim as ps  # noqa: E402
import test_link_robustness as scenario  # noqa: E402
from wine_link_bench import cpu_seconds, wineserver_pid  # noqa: E402

WARM_UP = 5.0


def failing_port(gate, window):
    with harness.Session("bench-" + gate, gates={gate: True}, configure=None) as session:
        time.sleep(WARM_UP)
        # Reopening a port costs the wineserver too.
        ws_pid = wineserver_pid(session.prefix)
        cpu_before, ws_before, started = session.server.cpu_seconds(), cpu_seconds(ws_pid), time.monotonic()
        time.sleep(window)
        elapsed = time.monotonic() - started
        share = (session.server.cpu_seconds() - cpu_before) / elapsed
        ws_share = (cpu_seconds(ws_pid) - ws_before) / elapsed
        boxes = session.count_message_boxes()
        phone = session.phone()
        session.open_gate(gate)
        working = time.monotonic()
        try:
            answer = phone.connect(retry_every=0.1, limit=60)
            connected = "%.2f s" % (answer.when - working) if answer == ps.encode_connect() else answer.describe()
        except ps.ProtocolError as exc:
            connected = str(exc)
        print("failing port (%s): server CPU %.1f%% of a core over %.0f s (wineserver %.1f%%), %d message boxes open; "
              "port working again -> connect answered: %s" % (gate, share * 100, window, ws_share * 100, boxes, connected))


def phone_not_reading(seconds):
    with harness.Session("bench-no-read", start=False, configure=None) as session:
        session.write_profile("Target.ini", harness.profile_text(scenario.LONG_NAME, [("1", "KEY(A)")],
                                                                 class_name=scenario.TARGET_CLASS))
        session.start_server(configure="cancel")
        target = session.start_target(class_name=scenario.TARGET_CLASS)
        for _ in range(scenario.EXTRA_WINDOWS):
            target.post(target.OPEN_WINDOW)
        phone = session.phone()
        phone.connect(limit=60)
        harness.wait_until(lambda: len(phone.request_list()) == scenario.EXTRA_WINDOWS + 1, 60, "the whole list")
        answer_size = len(phone.transcript[-1][2])
        baseline = peak = session.server.resident_kib()
        sent = 0
        started = time.monotonic()
        while time.monotonic() - started < seconds:
            phone.send(scenario.LIST_REQUEST)
            sent += 1
            peak = max(peak, session.server.resident_kib())
            time.sleep(scenario.PAUSE)
        end = session.server.resident_kib()
        print("phone not reading for %.0f s: %d list requests (answers of %d bytes); server resident %d KiB before, "
              "peak %d KiB (+%d KiB), at the end %d KiB" % (seconds, sent, answer_size, baseline, peak,
                                                             peak - baseline, end))


def slow_open(seconds):
    with harness.Session("bench-slow-open", gates={"slow-open": True}, configure=None) as session:
        answered, missed, slowest = 0, 0, 0.0
        started = time.monotonic()
        while time.monotonic() - started < seconds:
            try:
                slowest = max(slowest, session.assert_responsive(limit=1.0) or 0.0)
                answered += 1
            except harness.HarnessError:
                missed += 1
        print("port open taking %.0f s: window answered %d pings (slowest %.1f ms), %d not within 1 s"
              % (seconds, answered, slowest, missed))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cpu-window", type=float, default=10.0, help="seconds of CPU measurement per gate")
    parser.add_argument("--no-read", type=float, default=60.0, help="seconds the phone asks without reading")
    parser.add_argument("--open", type=float, default=20.0, help="seconds the port's open takes")
    args = parser.parse_args(argv)
    print("build: %s" % harness.server_exe())
    with harness.standalone_environment():
        for gate in ("no-status", "no-lines"):
            failing_port(gate, args.cpu_window)
        phone_not_reading(args.no_read)
        slow_open(args.open)
    return 0


if __name__ == "__main__":
    sys.exit(main())
