#!/usr/bin/env python3
"""Figures of slide-show control under Wine, measured from the phone's side
against the presentation program's test double (tests/e2e/pptdouble.py), whose
call log stamps every automation call:

  1. key -> data message: phone write of a navigation key (press and release,
     as the phone sends them) -> the application-data message at the phone,
     p50/p99 over N keys, alternating Right and Left; the same minus the 500 ms
     notification delay; and its shares from the call log: the key's way into
     the server (write -> first automation call), the server's automation work
     for the press, and the timer and send (last call -> message). Measured on
     a 20-slide presentation and on the 200-slide one (a 10 kB record);
  2. full refresh of a 200-slide presentation (a title and notes on every
     slide): phone select -> the first data message, over M selections. The
     refresh sends once complete (no 500 ms delay to subtract); the share inside
     the double's calls (first to last call), the calls it made in all and per
     slide, and its steps: the refresh reads a few slides per timer tick, and
     the longest step (first to last call of one burst, and its calls) is how
     long it holds the server's GUI thread at most;
  3. automation calls per key, from the call log: press and release of each
     navigation key, a slide-list jump and the pen button; in particular the
     calls of one Right press and release.

Both clocks are CLOCK_MONOTONIC_RAW: Wine's QueryPerformanceCounter reads it.
Needs the Windows build (Quillant.exe, pptdouble.exe, pptclient.exe) and the
modem-line shim (cmake --build --preset e2e). Prints the figures; asserts nothing.

  python3 bench/wine_slideshow_bench.py [--keys 50] [--slides 200] [--refreshes 10]
"""

import argparse
import collections
import os
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
import pptdouble as pd  # noqa: E402
from harness import phonesim as ps  # noqa: E402
from pptdouble import Slide  # noqa: E402

NOTIFY_DELAY_MS = 500.0
SHORT = "Keys.ppt"
LONG = "Long.ppt"
BUSY_PROBE = ("Application", 2032)


def raw_ns():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


percentile = harness.percentile


def summary(values_ms):
    return "p50 %8.2f ms, p99 %8.2f ms, min %8.2f ms, max %8.2f ms" % (
        percentile(values_ms, 0.5), percentile(values_ms, 0.99), min(values_ms), max(values_ms))


def slides(count, prefix):
    return [Slide("%s slide %d: %s" % (prefix, n, "a title of ordinary length"),
                  notes="Notes of slide %d.\r\nA second line\twith a tab." % n) for n in range(1, count + 1)]


def invokes(calls):
    """Automation calls proper (the log also has name look-ups and connections)."""
    return [c for c in calls if isinstance(c.dispid, int)]


def is_probe(call):
    return (call.type, call.dispid) == BUSY_PROBE


def segments(calls):
    """Calls cut before every busy probe: each key event, each poll and each
    list refresh starts with one; a list-box jump, the pen button and a full
    refresh make none."""
    out = []
    for call in calls:
        if is_probe(call) or not out:
            out.append([])
        out[-1].append(call)
    return out


class Ticks:
    """The server's 3 s timer polls the show and refreshes the list, each with
    automation calls. Measurements start just after a tick, so that the calls
    they count and time are the measured event's alone."""

    WINDOW = 2.0  # s after a tick that an event may start in; it takes ~0.55 s

    def __init__(self, double):
        self.double = double
        self.last = None

    def await_quiet(self):
        if self.last is not None and time.monotonic() - self.last < self.WINDOW:
            return
        start = self.double.mark()
        self.double.wait_calls(lambda calls: any(is_probe(c) for c in calls), limit=harness.EVENT_LIMIT,
                               what="a tick of the server's timer", start=start)
        time.sleep(0.1)  # the tick's few calls take some milliseconds
        self.last = time.monotonic()


def idle_tick(double):
    """The calls of one tick of the server's timer with nothing changing, cut at its probes."""
    mark = double.mark()
    double.wait_calls(lambda calls: any(is_probe(c) for c in calls), limit=harness.EVENT_LIMIT,
                      what="a tick of the server's timer", start=mark)
    time.sleep(0.3)
    return segments(invokes(double.calls(mark)))


def recv_data(phone, app_id, limit=harness.EVENT_LIMIT):
    """The next message, which must be slide data of `app_id`; with the raw clock at its arrival."""
    msg = phone.recv(limit)
    arrived = raw_ns()
    if msg is None or msg.type != ps.APP_DATA or msg.fields["app_id"] != app_id:
        raise harness.HarnessError("expected slide data of 0x%x, got %s" % (app_id, msg.describe() if msg else "nothing"))
    return msg, arrived


# The refresh reads this many slides per step, one step per timer tick.
SLIDES_PER_STEP = 10


def steps(calls):
    """The refresh's calls cut into its steps: each step after the first begins
    with the look-up of its first slide (slide 11, 21 and so on)."""
    out = [[]]
    for call in calls:
        if (call.type == "Slides" and call.dispid == 0 and call.args and call.args[0][1] > 1
                and (call.args[0][1] - 1) % SLIDES_PER_STEP == 0):
            out.append([])
        out[-1].append(call)
    return out


def select(phone, double, ticks, app_id):
    """Selects; returns (ms from the write to the record, the record, the refresh's
    calls). A presentation read in one step sends its record before the
    confirmation, a longer one after it."""
    ticks.await_quiet()
    mark = double.mark()
    sent = raw_ns()
    phone.send(ps.encode_select(app_id))
    msg = arrived = answer = None
    while msg is None or answer is None:
        got = phone.recv(120)
        if got is not None and got.type == ps.APP_SELECT and answer is None:
            answer = got
        elif got is not None and got.type == ps.APP_DATA and got.fields["app_id"] == app_id and msg is None:
            msg, arrived = got, raw_ns()
        elif got is None or got.type != ps.APP_LIST:
            raise harness.HarnessError("expected the record and the confirmation, got %s"
                                       % (got.describe() if got else "nothing"))
    # Timer ticks within the refresh ask only the busy probe (the poll waits for the record).
    calls = [c for c in invokes(double.calls(mark)) if sent < c.ns <= arrived and not is_probe(c)]
    ticks.last = None
    return (arrived - sent) / 1e6, msg, calls


def documents(session):
    with pd.Client(session) as client:
        return {w["title"]: w["hwnd"] for w in client.windows() if w["kind"] == "document"}


def press_and_release(phone, double, ticks, app_id, send, expect_data=True):
    """Runs one phone event after a tick; returns (write time, data arrival or
    None, the press's calls, the release's calls), or None when a tick of the
    timer came in between after all (a late tick keeps the timer's phase, so
    the next one may come early)."""
    ticks.await_quiet()
    mark = double.mark()
    sent = raw_ns()
    send()
    arrived = recv_data(phone, app_id)[1] if expect_data else None
    if not expect_data:
        phone.sync_barrier()
    parts = segments([c for c in invokes(double.calls(mark)) if c.ns > sent])
    if len(parts) > 2 or (len(parts) == 2 and len(parts[1]) != 1):
        ticks.last = None
        return None
    return sent, arrived, parts[0], parts[1] if len(parts) == 2 else []


def key_event(code):
    return ps.encode_key(ps.KEY_PRESSED, code) + ps.encode_key(ps.KEY_RELEASED, code)


def key_latency(phone, double, ticks, app_id, count):
    """Alternating Right and Left presses; per key the total and its shares (ms),
    and how many keys a timer tick crossed (left out)."""
    rows, crossed = [], 0
    while len(rows) < count:
        data = key_event(ps.key_code("Right" if len(rows) % 2 == 0 else "Left"))
        measured = press_and_release(phone, double, ticks, app_id, lambda: phone.send(data))
        if measured is None:
            crossed += 1
            continue
        sent, arrived, press, _ = measured
        rows.append({
            "total": (arrived - sent) / 1e6,
            "into": (press[0].ns - sent) / 1e6,
            "work": (press[-1].ns - press[0].ns) / 1e6,
            "timer": (arrived - press[-1].ns) / 1e6,
        })
    return rows, crossed


def print_latency(title, measured):
    rows, crossed = measured
    totals = [r["total"] for r in rows]
    print("%s (%d keys; %d more left out, crossed by a timer tick)" % (title, len(rows), crossed))
    print("  phone write -> data message        %s" % summary(totals))
    print("  the same minus the 500 ms delay    %s" % summary([t - NOTIFY_DELAY_MS for t in totals]))
    print("    write -> first automation call   %s" % summary([r["into"] for r in rows]))
    print("    the press's automation work      %s" % summary([r["work"] for r in rows]))
    print("    last call -> data message        %s" % summary([r["timer"] for r in rows]))


def calls_per_event(phone, double, ticks, app_id):
    """(event, calls of the press or event, calls of the release) from the call log."""
    def key(name):
        data = key_event(ps.key_code(name))
        return lambda: phone.send(data)

    # (event, keys that set the show up for it, the event, whether it sends data)
    events = [
        ("Right", ["Up"], key("Right"), True),
        ("Left", ["Up", "Right"], key("Left"), True),
        ("Down", ["Up"], key("Down"), True),
        ("Up", ["Down"], key("Up"), True),
        ("Right on the last slide (to the end screen)", ["Down"], key("Right"), True),
        ("Right on the end screen (to slide 1)", ["Down", "Right"], key("Right"), True),
        ("slide-list jump", ["Up"], lambda: phone.send(ps.encode_list_box(1, 3, "")), True),
        ("pen button", ["Up"], lambda: phone.send(ps.encode_button(2, 1)), False),
        ("Clear (ends the show)", ["Up"], key("Clear"), True),
        ("Right with no show (starts it)", ["Up", "Clear"], key("Right"), True),
    ]
    out = []
    for name, setup, send, data in events:
        measured = None
        while measured is None:
            for setup_key in setup:
                phone.key(setup_key)
                recv_data(phone, app_id)
            ticks.last = None
            measured = press_and_release(phone, double, ticks, app_id, send, expect_data=data)
        out.append((name, len(measured[2]), len(measured[3])))
    return out


def run(args):
    with harness.Session("slideshow-bench", start=False) as s:
        double = pd.PptDouble(s)
        double.register()
        started = time.monotonic()
        double.start([(SHORT, slides(20, "Short")), (LONG, slides(args.slides, "Long"))])
        s.start_server()
        phone = s.phone()
        if phone.connect().type != ps.CONNECT:
            raise harness.HarnessError("the server did not answer connect")
        phone.sync_barrier()
        phone.request_list()
        phone.sync_barrier()
        docs = documents(s)
        ticks = Ticks(double)
        print("double with %d + 20 slides and server ready in %.1f s" % (args.slides, time.monotonic() - started))

        # 2. Full refresh: every selection reads all titles and notes again.
        refresh, spans, counts, sizes, held, held_calls, step_counts = [], [], [], [], [], [], []
        for _ in range(args.refreshes):
            ms, msg, calls = select(phone, double, ticks, docs[LONG])
            refresh.append(ms)
            spans.append((calls[-1].ns - calls[0].ns) / 1e6)
            counts.append(len(calls))
            sizes.append(len(msg.fields["payload"]))
            parts = steps(calls)
            longest = max(parts, key=lambda part: part[-1].ns - part[0].ns)
            held.append((longest[-1].ns - longest[0].ns) / 1e6)
            held_calls.append(len(longest))
            step_counts.append(len(parts))
        print()
        print("full refresh of a %d-slide presentation (%d selections; sent once complete, no delay to subtract)"
              % (args.slides, args.refreshes))
        print("  phone select -> first data message %s" % summary(refresh))
        print("    first -> last automation call    %s" % summary(spans))
        print("  automation calls per refresh: %s (%.1f per slide); record %s bytes"
              % (sorted(set(counts)), counts[0] / args.slides, sorted(set(sizes))))
        print("  steps per refresh: %s; longest step (GUI thread held) %s; calls in it %s"
              % (sorted(set(step_counts)), summary(held), sorted(set(held_calls))))

        # 1. Key -> data message, on the long presentation (already selected), then the short one.
        print()
        print_latency("key -> data message, %d slides, %d-byte record" % (args.slides, sizes[0]),
                      key_latency(phone, double, ticks, docs[LONG], args.keys))
        _, msg, _ = select(phone, double, ticks, docs[SHORT])
        print_latency("key -> data message, 20 slides, %d-byte record" % len(msg.fields["payload"]),
                      key_latency(phone, double, ticks, docs[SHORT], args.keys))

        # 3. Calls per key.
        print()
        print("automation calls per phone event (20-slide presentation, show running)")
        print("  %-45s %6s %8s" % ("event", "press", "release"))
        per_event = calls_per_event(phone, double, ticks, docs[SHORT])
        for name, press, release in per_event:
            print("  %-45s %6d %8s" % (name, press, release if release else "-"))
        tick = idle_tick(double)
        print("  %-45s %6d %8s" % ("3 s timer tick, show unchanged (poll, list)", len(tick[0]),
                                    " + ".join(str(len(part)) for part in tick[1:]) or "-"))
        print("  (a release only asks whether the program is busy)")
        right = per_event[0]
        print("  Right press and release: %d automation calls" % (right[1] + right[2]))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--keys", type=int, default=50, help="keys timed per presentation")
    parser.add_argument("--slides", type=int, default=200, help="slides of the long presentation")
    parser.add_argument("--refreshes", type=int, default=10, help="selections of the long presentation timed")
    args = parser.parse_args(argv)

    with harness.standalone_environment():
        run(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
