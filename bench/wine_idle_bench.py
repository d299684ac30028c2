#!/usr/bin/env python3
"""The server's own idle cost under Wine, with a phone connected that stays silent.

Wine's serial event wait costs a few percent of a core by itself (Wine polls the
port from a thread of its own), so the server's CPU is compared with that of a
bare program doing the same port wait (bench/portwait_reference.cpp) on a
second port of the same kind, measured over the same interval at the same time.
The difference is what the server itself spends (goal < 0.2 % of a core).

The server's phone connects, asks for the list and selects a target window (as
a phone does), then stays silent except for answering the server's
synchronisation, as a real phone does. Whatever timers the build under test
runs while idle are measured as they are.

Needs the Windows build (Quillant.exe, target.exe, portwait_reference.exe,
wintool.exe) and the modem-line shim (cmake --build --preset e2e). Prints the
figures; asserts nothing.

  python3 bench/wine_idle_bench.py [--seconds 60] [--rounds 3] [--no-select]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "bench"))

import harness  # noqa: E402
from harness import phonesim as ps  # noqa: E402
from wine_link_bench import wineserver_pid  # noqa: E402

REFERENCE_PORT = "com6"
# Time for start-up work (the first list, the configuration sheet going away) to finish.
SETTLE_SECONDS = 5.0


def reference_exe():
    path = os.path.join(harness.windows_build(), "portwait_reference.exe")
    if not os.path.isfile(path):
        raise harness.HarnessError("%s is missing: build the windows preset" % path)
    return path


def cpu_seconds(pid, thread=None):
    """CPU seconds of a process, or of one of its threads."""
    with open("/proc/%d/stat" % pid if thread is None else "/proc/%d/task/%d/stat" % (pid, thread)) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def start_reference(session):
    """portwait_reference.exe on COM6, with the shim that gives the pty its modem lines, as
    the server has; returns once it waits on the port."""
    phone_end = session.add_port(REFERENCE_PORT)
    # Held open, as the server's phone end is, so the pair never looks hung up.
    holder = os.open(phone_end, os.O_RDWR | os.O_NOCTTY)
    out_path = os.path.join(session.workdir, "reference.out")
    out = open(out_path, "wb")
    proc = subprocess.Popen(["wine", reference_exe(), REFERENCE_PORT.upper()], env=session.env(preload=True),
                            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
    out.close()

    def waiting():
        if proc.poll() is not None:
            raise harness.HarnessError("the reference ended with %s" % proc.returncode)
        with open(out_path, "rb") as f:
            return b"waiting" in f.read()
    harness.wait_until(waiting, harness.START_LIMIT, "the reference's port wait", poll=0.1)
    return proc, holder


def measure(session, phone, reference, seconds):
    """CPU shares (fractions of a core) of the server, the reference and the wineserver over the
    same `seconds`, while the phone stays silent (it answers synchronisation only)."""
    ws = wineserver_pid(session.prefix)
    pids = {"server": session.server.pid, "reference": reference.pid}
    if ws:
        pids["wineserver"] = ws
    server = session.server.pid

    def sample():
        taken = {name: cpu_seconds(pid) for name, pid in pids.items()}
        taken["window thread"] = cpu_seconds(server, thread=server)  # the main thread runs the window
        return taken
    started = time.monotonic()
    before = sample()
    traffic = phone.quiet(seconds)
    after = sample()
    elapsed = time.monotonic() - started
    shares = {name: (after[name] - before[name]) / elapsed for name in before}
    shares["difference"] = shares["server"] - shares["reference"]
    return shares, traffic


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60.0, help="length of one measurement")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--no-select", action="store_true", help="connect and list only, select nothing")
    args = parser.parse_args(argv)

    with harness.standalone_environment():
        with harness.Session("idle", start=False) as s:
            s.write_profile("IdleTarget.ini", harness.profile_text("IdleTarget", [("1", "KEY(A)")],
                                                                 class_name="QIdleTarget"))
            target = s.start_target("target", "QIdleTarget", "Idle target")
            s.start_server()
            phone = s.phone(answer_sync=True)
            answer = phone.connect(limit=60)
            if answer != ps.encode_connect():
                raise ps.ProtocolError("connect answered with %s" % answer.describe())
            phone.request_list()
            if not args.no_select:
                phone.select(target.hwnd)
            phone.sync_barrier()
            reference, holder = start_reference(s)
            try:
                phone.quiet(SETTLE_SECONDS)
                rounds = []
                state = "connected" if args.no_select else "connected, an application selected"
                print("idle under Wine, %s, %d x %.0f s (percent of one core):" % (state, args.rounds, args.seconds))
                for index in range(args.rounds):
                    shares, traffic = measure(s, phone, reference, args.seconds)
                    rounds.append(shares)
                    print("  round %d: server %.3f%% (its window thread %.3f%%), reference %.3f%%, difference %.3f%%; "
                          "wineserver %.3f%%; messages to the phone %d"
                          % (index + 1, shares["server"] * 100, shares["window thread"] * 100,
                             shares["reference"] * 100, shares["difference"] * 100,
                             shares.get("wineserver", float("nan")) * 100, len(traffic)))
                med = {name: statistics.median(r[name] for r in rounds) for name in ("server", "reference", "difference")}
                print("  median: server %.3f%%, reference (the port wait alone) %.3f%%, "
                      "the server's own %.3f%% (goal < 0.2%%)"
                      % (med["server"] * 100, med["reference"] * 100, med["difference"] * 100))
                ended = reference.poll()
                print("  server %s, reference %s" % (
                    "alive" if s.server.alive() else "DEAD",
                    "alive" if ended is None else "ENDED with %s: the figures do not count" % ended))
            finally:
                reference.kill()
                reference.wait(harness.TEARDOWN_LIMIT)
                os.close(holder)
    return 0


if __name__ == "__main__":
    sys.exit(main())
