#!/usr/bin/env python3
"""Figures of the release package:

  1. sizes in bytes of the setup program and the portable zip (and of what they carry);
  2. silent per-user install time under Wine (setup.exe /S), median over N fresh prefixes:
     "cold" is the first Wine program in the prefix (it includes starting the prefix's
     wineserver), "warm" a second install after a silent uninstall, with Wine running;
  3. silent uninstall time (Uninstall.exe /S, run in place so that it is timed to its end).

Needs the Windows build with its package (cmake --build --preset windows, with nsis installed).
Prints the figures; it asserts nothing.

  python3 bench/installer_bench.py [--runs 5]
"""

import argparse
import os
import statistics
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
import test_installer  # noqa: E402


def timed(action):
    started = time.perf_counter()
    code = action()
    elapsed = time.perf_counter() - started
    if code != 0:
        raise harness.HarnessError("exit code %d" % code)
    return elapsed


def one_run(index):
    with harness.Session("installer-bench-%d" % index, start=False) as s:
        inst = test_installer.Installation(s, all_users=False)
        cold = timed(lambda: inst.setup("/S", "/CurrentUser"))
        uninstall = timed(inst.uninstall_in_place)
        warm = timed(lambda: inst.setup("/S", "/CurrentUser"))
        return cold, warm, uninstall


def describe(values):
    return "median %.2f s (min %.2f, max %.2f, %d runs)" % (
        statistics.median(values), min(values), max(values), len(values))


def main():
    parser = argparse.ArgumentParser(description="Release package figures")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    with harness.standalone_environment():
        setup = test_installer.setup_exe()
        package = os.path.dirname(setup)
        portable = os.path.join(package, "Tarvo-Quillant-%s-portable.zip" % test_installer.VERSION)
        build = harness.windows_build()
        print("setup program      %9d bytes  %s" % (os.path.getsize(setup), os.path.basename(setup)))
        print("portable zip       %9d bytes  %s" % (os.path.getsize(portable), os.path.basename(portable)))
        with zipfile.ZipFile(portable) as archive:
            unpacked = sum(i.file_size for i in archive.infolist())
            print("  zip contents     %9d bytes in %d files" % (unpacked, len(archive.infolist())))
        for name in ("Quillant.exe", "Quillant.chm"):
            print("  %-16s %9d bytes" % (name, os.path.getsize(os.path.join(build, name))))

        cold, warm, uninstall = [], [], []
        for i in range(args.runs):
            c, w, u = one_run(i)
            cold.append(c)
            warm.append(w)
            uninstall.append(u)
        print("silent install, cold prefix (wineserver starting): %s" % describe(cold))
        print("silent install, warm (Wine running):               %s" % describe(warm))
        print("silent uninstall, in place:                        %s" % describe(uninstall))
    return 0


if __name__ == "__main__":
    sys.exit(main())
