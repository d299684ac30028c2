#!/usr/bin/env python3
"""Application-list rebuild under Wine on a busy desktop: 100 windows and 300 processes
(or as many as the machine can make), every offered window recognised by its
executable, so the server must learn the executable of each window's process.

The windows belong to copies of target.exe named benchapp.exe, a few windows per
process; the rest of the processes are windowless targets. The shipped profiles
are there too. The figure is the phone's list request -> answer, minus the
median sync round trip, and the idle CPU with that desktop (the 3 s refresh
rebuilds when the windows change, and looks at them every time).

Needs the Windows build and the modem-line shim (cmake --build --preset e2e).
Prints the figures; asserts nothing.

  python3 bench/wine_applist_bench.py [--windows 100] [--processes 300]
                                      [--per-process 4] [--list-requests 50]
"""

import argparse
import os
import shutil
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "bench"))

import harness  # noqa: E402
import wine_keypath_bench as keypath  # noqa: E402

PROGRAM = "benchapp.exe"
WINDOW_CLASS = "QBenchByExe"


def start_holders(session, windows, per_process):
    """Processes of benchapp.exe holding `windows` windows in all, `per_process` each."""
    program = os.path.join(session.prefix, "drive_c", PROGRAM)
    shutil.copy2(harness.target_exe(), program)
    holders = []
    for i in range((windows + per_process - 1) // per_process):
        n = min(per_process, windows - i * per_process)
        args = ["--class", WINDOW_CLASS, "--title", "Bench %d" % i, "--windows", str(n),
                "--rect", "%d,%d,300,200" % (i * 7 % 700, i * 5 % 500)]
        holder = harness.Target(session, "holder%d" % i, WINDOW_CLASS, "Bench %d" % i, args, program=program)
        session.targets.append(holder)
        holder.wait_ready()
        holders.append(holder)
    return holders


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--windows", type=int, default=100)
    parser.add_argument("--processes", type=int, default=300)
    parser.add_argument("--per-process", type=int, default=4, help="windows per window-holding process")
    parser.add_argument("--list-requests", type=int, default=50)
    parser.add_argument("--idle", type=float, default=30.0, help="seconds of idle measurement (0: none)")
    args = parser.parse_args(argv)

    idle = []
    with harness.standalone_environment():
        try:
            with harness.Session("applist", start=False) as s:
                s.write_profile("Bench.ini", harness.profile_text("Bench", [("1", "KEY(A)")], executable=PROGRAM))
                started = time.monotonic()
                holders = start_holders(s, args.windows, args.per_process)
                before = len(keypath.prefix_processes(s.prefix))
                idle = keypath.start_idle_processes(s, max(0, args.processes - before))
                harness.wait_until(lambda: len(keypath.prefix_processes(s.prefix)) >= before + len(idle), 300,
                                   "%d idle processes" % len(idle), poll=0.5)
                processes = len(keypath.prefix_processes(s.prefix)) - 1  # without the wineserver
                made_in = time.monotonic() - started

                s.start_server()
                phone = s.phone(answer_sync=True)
                keypath.connect(phone)
                entries = phone.request_list(timeout=60)
                processes += 1  # the server itself

                list_times, rtt = [], []
                for _ in range(args.list_requests):
                    started = keypath.raw_ns()
                    entries = phone.request_list(timeout=60)
                    list_times.append((keypath.raw_ns() - started) / 1e6)
                    rtt += keypath.sync_round_trips(phone, 1)
                rebuild = [t - statistics.median(rtt) for t in list_times]
                print("application list with %d windows offered (recognised by executable, %d window-holding "
                      "processes), %d Wine processes (made in %.0f s):"
                      % (len(entries), len(holders), processes, made_in))
                print("  list request -> answer over %d: %s; sync round trip %s"
                      % (len(list_times), keypath.summary(list_times), keypath.summary(rtt)))
                print("  rebuild (minus the median sync round trip): p50 %.1f ms, max %.1f ms (goal p50 < 20 ms)"
                      % (keypath.percentile(rebuild, 0.5), max(rebuild)))
                if args.idle > 0:
                    keypath.print_idle("  idle with that desktop (a refresh every 3 s),", args.idle,
                                       keypath.idle_cost(s, phone, args.idle))
        finally:
            for proc in idle:
                try:
                    proc.kill()
                    proc.wait(harness.TEARDOWN_LIMIT)
                except (OSError, keypath.subprocess.TimeoutExpired):
                    pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
