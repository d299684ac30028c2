#!/usr/bin/env python3
"""Figures of the key path under Wine, measured from the phone's side against
the target window's own record (tests/e2e/target.cpp):

  1. key latency: phone write of a key event -> WM_KEYDOWN in the target, p50
     and p99 over N keys (goal p50 < 2 ms, p99 < 5 ms), with BringToTop on and
     off; and its shares: the link (a sync round trip paced like the keys, so
     that the serial port's event wait costs what it costs a key) and Wine's
     own input delivery (keybd_event -> WM_KEYDOWN without the server, by
     wintool inject); the rest is the server's own;
  2. idle cost with a phone connected and an application selected (the 55 ms
     motion tick runs all the time): server and wineserver CPU over 60 s
     (goal < 0.2 % of a core);
  3. soak: 100 000 key events, one per write as a phone sends them; every
     one must reach the target, in order; server resident memory before and
     after;
  4. application-list rebuild with 100 windows and 300 processes (or as many
     as the machine can make): phone list request -> answer, minus a sync
     round trip; and the idle CPU meanwhile (the 3 s refresh rebuilds too).

Both clocks are CLOCK_MONOTONIC_RAW: Wine's QueryPerformanceCounter reads it.
Needs the Windows build (Quillant.exe, target.exe, wintool.exe) and the
modem-line shim (cmake --build --preset e2e). Prints the figures; asserts nothing.

  python3 bench/wine_keypath_bench.py [--keys 1000] [--idle 60] [--soak 100000]
                                      [--windows 100] [--processes 300]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
from harness import phonesim as ps  # noqa: E402

SYNC = ps.encode_sync()
KEY_DOWN = ps.encode_key(ps.KEY_PRESSED, ps.key_code("1"))
KEY_UP = ps.encode_key(ps.KEY_RELEASED, ps.key_code("1"))
VK_A = 0x41
POLL = 0.0005
LOST_AFTER = 2.0
# Gap between sync round trips that matches the cadence of the timed keys.
KEY_PACE = 0.002
# Gap between the soak's key events: each reaches the server on its own, as a phone's do.
SOAK_GAP = 0.0005
# Below this much free memory no more processes are started for the list figure.
MEMORY_RESERVE_KIB = 3 * 1024 * 1024


def raw_ns():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


percentile = harness.percentile


def summary(values_ms):
    return "p50 %.2f ms, p99 %.2f ms, max %.2f ms" % (
        percentile(values_ms, 0.5), percentile(values_ms, 0.99), max(values_ms))


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def prefix_processes(prefix):
    """Pids of the Linux processes that run in this Wine prefix (wineserver included)."""
    pids = []
    needle = ("WINEPREFIX=%s" % prefix).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as f:
                if needle in f.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:
            continue
    return pids


def wineserver_pid(prefix):
    for pid in prefix_processes(prefix):
        try:
            with open("/proc/%d/comm" % pid) as f:
                if f.read().startswith("wineserver"):
                    return pid
        except OSError:
            continue
    return None


def available_kib():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemAvailable:"):
                return int(line.split()[1])
    return 0


def sync_round_trips(phone, count, gap=0.0):
    """Sync -> echo times. With a `gap` between trips the server's reader is
    back in its port wait when the next sync comes, as it is for key events
    that come one at a time; back to back, the next sync is often already
    there when the reader looks again, which makes the link look faster."""
    times = []
    for _ in range(count):
        started = raw_ns()
        phone.send(SYNC)
        phone.expect(SYNC, 10)
        times.append((raw_ns() - started) / 1e6)
        if gap:
            time.sleep(gap)
    return times


def wait_key_count(target, count, limit=harness.EVENT_LIMIT):
    deadline = time.monotonic() + limit
    while True:
        events = target.named("key")
        if len(events) >= count:
            return events
        if time.monotonic() > deadline:
            raise harness.HarnessError("the target has %d of %d key events" % (len(events), count))
        time.sleep(POLL)


def key_latencies(phone, target, count, lost):
    """Phone write -> key message in the target, for each half of `count`
    presses. A key message that does not come within LOST_AFTER seconds is
    counted in `lost` (with what was sent and when) instead of timed."""
    downs, ups = [], []
    seen = len(target.named("key"))
    for i in range(count):
        for message, into in ((KEY_DOWN, downs), (KEY_UP, ups)):
            sent = raw_ns()
            phone.send(message)
            seen += 1
            try:
                event = wait_key_count(target, seen, limit=LOST_AFTER)[seen - 1]
            except harness.HarnessError:
                seen -= 1
                lost.append((i, message.hex(" "), sent))
                continue
            into.append((event.ns - sent) / 1e6)
    return downs, ups


def injection_latencies(session, target, count):
    """keybd_event in another process -> key message in the target: Wine alone."""
    seen = len(target.named("key"))
    code, lines = session.wintool("inject", VK_A, count, 5, limit=120)
    if code != 0:
        raise harness.HarnessError("wintool inject failed: %d %s" % (code, lines))
    stamps = [int(line.split()[0]) for line in lines]
    events = wait_key_count(target, seen + len(stamps))[seen:]
    return [(e.ns - t) / 1e6 for e, t in zip(events, stamps)]


def thread_cpu_seconds(pid):
    """CPU seconds of each thread of a process, by thread id."""
    out = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        out[int(tid)] = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return out


def idle_cost(session, phone, seconds, ticker=None):
    """CPU shares (fractions of a core) over `seconds` of silence: the server's
    window thread, its other threads (the serial reader, and the thread Wine
    runs to watch the port's events), the wineserver, and a program that only
    runs a 55 ms window timer."""
    ws = wineserver_pid(session.prefix)
    pid = session.server.pid
    started = time.monotonic()
    threads_before = thread_cpu_seconds(pid)
    ws_before = cpu_seconds(ws) if ws else 0.0
    ticker_before = cpu_seconds(ticker.proc.pid) if ticker else 0.0
    traffic = phone.quiet(seconds)
    elapsed = time.monotonic() - started
    threads_after = thread_cpu_seconds(pid)
    spent = {tid: t - threads_before.get(tid, 0.0) for tid, t in threads_after.items()}
    window = spent.get(pid, 0.0)
    return {"server": sum(spent.values()) / elapsed, "window_thread": window / elapsed,
            "other_threads": (sum(spent.values()) - window) / elapsed,
            "wineserver": (cpu_seconds(ws) - ws_before) / elapsed if ws else float("nan"),
            "ticker": (cpu_seconds(ticker.proc.pid) - ticker_before) / elapsed if ticker else float("nan"),
            "traffic": traffic}


def print_idle(label, seconds, cost):
    baseline = ""
    if cost["ticker"] == cost["ticker"]:  # not NaN: measured
        baseline = "; a bare 55 ms window timer under Wine: %.3f%%" % (cost["ticker"] * 100)
    print("%s %.0f s: server CPU %.3f%% of a core (window thread %.3f%%, other threads %.3f%%), "
          "wineserver %.3f%%%s; messages to the phone meanwhile: %d"
          % (label, seconds, cost["server"] * 100, cost["window_thread"] * 100, cost["other_threads"] * 100,
             cost["wineserver"] * 100, baseline, len(cost["traffic"])))


def soak(session, phone, target, total, gap=SOAK_GAP, barrier_every=1000):
    """`total` key events (down, up, ...), one per write and `gap` apart, as a
    phone sends them; a sync barrier every `barrier_every` events keeps the
    server in step and shows at once when the link went down. Then counts
    what reached the target."""
    before = len(target.named("key"))
    rss_before = session.server.resident_kib()
    started = time.monotonic()
    sent, stopped, rss_trend = 0, None, []
    while sent < total and stopped is None:
        for _ in range(min(barrier_every, total - sent)):
            phone.send(KEY_DOWN if sent % 2 == 0 else KEY_UP)
            sent += 1
            time.sleep(gap)
        try:
            news = phone.sync_barrier(timeout=10)
        except ps.ProtocolError as exc:
            news = [str(exc)]
        if news:
            stopped = (sent, [m if isinstance(m, str) else m.describe() for m in news])
        rss_trend.append((sent, session.server.resident_kib()))
    sent_for = time.monotonic() - started
    try:
        events = wait_key_count(target, before + sent, limit=60)[before:]
    except harness.HarnessError:
        events = target.named("key")[before:]
    arrived_for = time.monotonic() - started
    expected = ["down" if i % 2 == 0 else "up" for i in range(len(events))]
    got = [e.fields[0].replace("sys", "") for e in events]
    in_order = got == expected and all(int(e.fields[1], 16) == VK_A for e in events)
    # Give the window a moment to settle before reading memory again.
    time.sleep(1.0)
    return {"sent": sent, "arrived": len(events), "in_order": in_order, "sent_s": sent_for,
            "arrived_s": arrived_for, "stopped": stopped, "rss_trend": rss_trend,
            "rss_before": rss_before, "rss_after": session.server.resident_kib()}


def bench_profile(name, class_name, bring_to_top):
    return harness.profile_text(name, [("1", "KEY(A)")], class_name=class_name, bring_to_top=bring_to_top)


def connect(phone):
    answer = phone.connect(limit=60)
    if answer != ps.encode_connect():
        raise ps.ProtocolError("connect answered with %s" % answer.describe())
    phone.sync_barrier()
    phone.drain()


def key_path(args):
    with harness.Session("keypath", start=False) as s:
        s.write_profile("BenchTop.ini", bench_profile("BenchTop", "QBenchTop", True))
        s.write_profile("BenchPlain.ini", bench_profile("BenchPlain", "QBenchPlain", False))
        ticker = s.start_target("ticker", "QTicker", "Ticker", args=["--minimized", "--timer", "55"])
        plain = s.start_target("plain", "QBenchPlain", "Plain")
        top = s.start_target("top", "QBenchTop", "Top")
        s.start_server()
        phone = s.phone()
        connect(phone)
        phone.request_list()

        rtt = sync_round_trips(phone, 50)  # warm-up
        results, lost, unsolicited = {}, {}, {}
        for label, target in (("BringToTop true", top), ("BringToTop false", plain)):
            phone.select(target.hwnd)
            phone.sync_barrier()
            lost[label] = []
            key_latencies(phone, target, 20, lost[label])  # warm-up
            results[label] = key_latencies(phone, target, args.keys, lost[label])
            # Key events get no answer: anything the server sent meanwhile is news.
            unsolicited[label] = [m.describe() for m in phone.quiet(0.2)]
        rtt = sync_round_trips(phone, args.keys)
        paced = sync_round_trips(phone, args.keys, gap=KEY_PACE)
        injected = injection_latencies(s, plain, min(args.keys, 500))

        print("key latency, phone write -> key message in the target, over %d presses:" % args.keys)
        for label, (downs, ups) in results.items():
            print("  %-17s WM_KEYDOWN %s; WM_KEYUP %s; lost: %d" % (label, summary(downs), summary(ups), len(lost[label])))
            for press, message, sent in lost[label]:
                print("    lost: press %d, message [%s] written at %d ns (CLOCK_MONOTONIC_RAW)" % (press, message, sent))
            for message in unsolicited[label]:
                print("    the server sent meanwhile: %s" % message)
        print("  sync round trip over %d, back to back: %s" % (len(rtt), summary(rtt)))
        print("  sync round trip over %d, %.0f ms apart as keys are: %s" % (len(paced), KEY_PACE * 1000, summary(paced)))
        print("  Wine alone, keybd_event -> key message (wintool inject) over %d: %s"
              % (len(injected), summary(injected)))
        link = statistics.median(paced)
        delivery = statistics.median(injected)
        for label, (downs, _) in results.items():
            p50 = statistics.median(downs)
            print("  %-17s p50 %.2f ms = link in and out (paced sync) ~%.2f ms + Wine input delivery ~%.2f ms "
                  "+ the server's own ~%.2f ms" % (label, p50, link, delivery, p50 - link - delivery))

        phone.select(top.hwnd)
        phone.sync_barrier()
        print_idle("idle (goal < 0.2%), connected and selected,", args.idle, idle_cost(s, phone, args.idle, ticker))

        result = soak(s, phone, top, args.soak)
        print("soak of %d key events, one per write %.1f ms apart: %d sent, %d arrived, %s; sent in %.1f s, "
              "counted after %.1f s; server resident %.1f MiB before, %.1f MiB after"
              % (args.soak, SOAK_GAP * 1000, result["sent"], result["arrived"],
                 "in order" if result["in_order"] else "NOT IN ORDER", result["sent_s"], result["arrived_s"],
                 result["rss_before"] / 1024.0, result["rss_after"] / 1024.0))
        trend = result["rss_trend"]
        marks = [trend[min(len(trend) - 1, len(trend) * q // 4)] for q in range(1, 5)] if trend else []
        print("  server resident on the way: %s" % ", ".join("%.1f MiB after %d" % (kib / 1024.0, n) for n, kib in marks))
        if result["stopped"]:
            print("  stopped after %d events: the sync barrier got %s" % result["stopped"])
        print("server %s after the soak" % ("alive" if s.server.alive() else "DEAD"))


def start_idle_processes(session, count):
    procs = []
    for _ in range(count):
        if available_kib() < MEMORY_RESERVE_KIB:
            break
        procs.append(subprocess.Popen(["wine", harness.target_exe(), "--idle"], env=session.env(),
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL))
        # One at a time: a burst of Wine start-ups swamps the two cores.
        time.sleep(0.05)
    return procs


def list_rebuild(args):
    idle = []
    try:
        with harness.Session("applist", start=False) as s:
            s.write_profile("Bench.ini", harness.profile_text("Bench", [("1", "KEY(A)")], class_name="QBench"))
            per_process = 10
            holders = []
            for i in range((args.windows + per_process - 1) // per_process):
                n = min(per_process, args.windows - i * per_process)
                holders.append(s.start_target("holder%d" % i, "QBench", "Bench %d" % i,
                                              args=["--windows", str(n), "--rect", "%d,%d,300,200" % (i * 20, i * 20)]))
            started = time.monotonic()
            before = len(prefix_processes(s.prefix))
            idle = start_idle_processes(s, max(0, args.processes - before))
            # Every idle process is up once the prefix shows them all.
            harness.wait_until(lambda: len(prefix_processes(s.prefix)) >= before + len(idle), 300,
                               "%d idle processes" % len(idle), poll=0.5)
            processes = len(prefix_processes(s.prefix)) - 1  # without the wineserver
            made_in = time.monotonic() - started

            s.start_server()
            phone = s.phone()
            connect(phone)
            entries = phone.request_list()
            processes += 1  # the server itself

            list_times, rtt = [], []
            for _ in range(args.list_requests):
                started = raw_ns()
                entries = phone.request_list(timeout=60)
                list_times.append((raw_ns() - started) / 1e6)
                rtt += sync_round_trips(phone, 1)
            rebuild = [t - statistics.median(rtt) for t in list_times]
            print("application list with %d windows offered, %d Wine processes (%d idle ones made in %.0f s):"
                  % (len(entries), processes, len(idle), made_in))
            print("  list request -> answer over %d: %s; sync round trip %s"
                  % (len(list_times), summary(list_times), summary(rtt)))
            print("  rebuild (minus the median sync round trip): p50 %.1f ms, max %.1f ms"
                  % (percentile(rebuild, 0.5), max(rebuild)))

            print_idle("  idle with that desktop (a rebuild every 3 s),", min(args.idle, 30),
                       idle_cost(s, phone, min(args.idle, 30)))
    finally:
        for proc in idle:
            try:
                proc.kill()
                proc.wait(harness.TEARDOWN_LIMIT)
            except (OSError, subprocess.TimeoutExpired):
                pass


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--keys", type=int, default=1000, help="presses timed per configuration")
    parser.add_argument("--idle", type=float, default=60.0, help="seconds of idle measurement")
    parser.add_argument("--soak", type=int, default=100000, help="key events of the soak")
    parser.add_argument("--windows", type=int, default=100)
    parser.add_argument("--processes", type=int, default=300)
    parser.add_argument("--list-requests", type=int, default=50)
    parser.add_argument("--only", choices=("keys", "list"), help="run one of the two sessions")
    args = parser.parse_args(argv)

    with harness.standalone_environment():
        if args.only in (None, "keys"):
            key_path(args)
        if args.only in (None, "list"):
            list_rebuild(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
