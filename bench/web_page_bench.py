#!/usr/bin/env python3
"""Figures of the phone page (web/) in Debian's headless Chromium against the server under
Wine, through the development bridge (tools/web_bridge.py) to the pty's phone end:

  1. the page's size: every built file gzipped (npm run build in web/ prints the same);
  2. page load -> application list on screen: from the navigation's start to the list drawn,
     with Connect pressed as soon as the page has loaded, over N loads (the page marks the
     moment with performance.mark);
  3. tap -> key-down: a mouse press on the keypad's "1" (pointerdown in the page) -> WM_KEYDOWN
     in the target window, p50 and p99 over N taps; and its shares: the press -> the key event
     at the bridge (browser and WebSocket), the bridge -> WM_KEYDOWN (the serial line and
     the server under Wine).

Times are CLOCK_MONOTONIC_RAW, the clock of Wine's QueryPerformanceCounter. The tap's time is
taken just before the press is handed to the browser driver, so it includes the driver's own
step. Needs the Windows build, the modem-line shim (cmake --build --preset e2e) and the built
page with its test dependencies (npm ci && npm run build in web/). Prints; asserts nothing.

  python3 bench/web_page_bench.py [--loads 10] [--taps 200]
"""

import argparse
import gzip
import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
import web_session as ws  # noqa: E402
from harness import phonesim as ps  # noqa: E402
from web_browser import Browser, key  # noqa: E402

APP_LIST = 'role=list[name="Applications"s] >> role=button'


def raw_ns():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


def page_size():
    dist = os.path.join(ROOT, "web", "dist")
    total = 0
    for folder, _, names in os.walk(dist):
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                total += len(gzip.compress(f.read(), 9))
    return total


def load_to_list(b, bridge, loads):
    times = []
    for _ in range(loads):
        b.open(bridge.url, bridge=ws.ws_url(bridge))
        b.click(key("Connect") if not times else key("Reconnect"))
        b.wait(APP_LIST, "Target")
        times.append(b.eval("performance.getEntriesByName('quillant-list-shown')[0].startTime"))
        b.click(key("Disconnect"))
        b.wait("role=status", "Disconnected.")
    return times


def taps(b, bridge, target, count):
    key_down = ps.encode_key(ps.KEY_PRESSED, ps.key_code("1"))
    whole, browser, server = [], [], []
    b.click('%s >> text="Target"' % APP_LIST)
    b.wait(key("1"))
    b.move(key("1"), 0.5, 0.5)
    for _ in range(count):
        seen = len(target.keys())
        heard = len(bridge.transcript)
        start = raw_ns()
        b.call("mousedown")
        target.wait_events(lambda ev: len(target.keys()) > seen, what="key down")
        down = [e for e in target.named("key") if e.fields[0] == "down"][-1]
        at_bridge = next(ns for ns, way, data in bridge.transcript[heard:] if way == "->" and key_down in data)
        whole.append((down.ns - start) / 1e6)
        browser.append((at_bridge - start) / 1e6)
        server.append((down.ns - at_bridge) / 1e6)
        b.up()
        target.wait_events(lambda ev: len(target.keys()) > seen + 1, what="key up")
        time.sleep(0.02)
    return whole, browser, server


def summary(values):
    return "p50 %.1f ms, p99 %.1f ms (min %.1f, max %.1f, n=%d)" % (
        harness.percentile(values, 0.5), harness.percentile(values, 0.99), min(values), max(values), len(values))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--loads", type=int, default=10)
    parser.add_argument("--taps", type=int, default=200)
    args = parser.parse_args(argv)
    print("page size: %d bytes gzipped" % page_size(), flush=True)
    with harness.standalone_environment(), harness.Session("web-bench", start=False) as s:
        target = ws.start_keypad_target(s)
        with ws.bridge(s) as bridge, Browser(os.path.join(s.workdir, "browser.log")) as b:
            loads = load_to_list(b, bridge, args.loads)
            print("page load -> application list: median %.0f ms (min %.0f, max %.0f, n=%d)"
                  % (statistics.median(loads), min(loads), max(loads), len(loads)), flush=True)
            b.open(bridge.url, bridge=ws.ws_url(bridge))
            b.click(key("Reconnect"))
            b.wait(APP_LIST, "Target")
            whole, browser, server = taps(b, bridge, target, args.taps)
            print("tap -> WM_KEYDOWN in the target: %s" % summary(whole))
            print("  tap -> key event at the bridge: %s" % summary(browser))
            print("  bridge -> WM_KEYDOWN: %s" % summary(server))
    return 0


if __name__ == "__main__":
    sys.exit(main())
