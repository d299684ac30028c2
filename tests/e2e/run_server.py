#!/usr/bin/env python3
"""Runs the server under Wine on a virtual serial port and attaches the phone simulator.

Used by scripts/run-server.sh. Everything it starts (Wine prefix copy, Xvfb, the socat pty
pair mapped to COM5, the server) is torn down when the simulator ends (type quit or Ctrl-D).

With --web the phone page takes the simulator's place: a target window with a profile for
every phone key is started, the page is served on localhost, and its development bridge joins
the page to the server's serial line. What the target window receives is printed; Ctrl-C ends.
"""
import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--splash", action="store_true", help="start without /NOSPLASH")
    parser.add_argument("--web", action="store_true", help="serve the phone page instead of attaching the simulator")
    parser.add_argument("--web-port", type=int, default=8080, help="the page's port on localhost (default 8080)")
    args = parser.parse_args(argv)

    os.environ.setdefault("QUILLANT_WINDOWS_BUILD", os.path.join(ROOT, "build", "windows"))
    os.environ.setdefault("QUILLANT_MODEMSHIM", os.path.join(ROOT, "build", "e2e", "modemshim.so"))
    os.environ.setdefault("QUILLANT_E2E_TEMPLATE", os.path.join(ROOT, "build", "run", "wine-template"))
    sys.path.insert(0, HERE)
    import harness  # noqa: E402  (needs the environment above)
    import phonesim  # noqa: E402

    template = os.environ["QUILLANT_E2E_TEMPLATE"]
    if not os.path.isfile(os.path.join(template, "system.reg")):
        print("making the Wine prefix (once, about 10 s)...", flush=True)
        harness.make_template(template)

    server_args = [] if args.splash else ["/NOSPLASH"]
    if args.web:
        return run_web(harness, server_args, args.web_port)
    with harness.Session(name="run", server_args=server_args) as session:
        # The port is open once the tray icon exists; bytes sent before that are purged.
        session.wait_window("--class", "QuillantNotifyIcon", limit=harness.START_LIMIT)
        print("server running under Wine (display %s); its COM5 is the pty %s" % (session.display, session.pc_path))
        print("the phone side is %s; logs are in %s" % (session.phone_path, session.workdir))
        print("try: connect, list, select <id>, key Up, disconnect; quit ends everything\n", flush=True)
        phonesim.main([session.phone_path])
    return 0


def run_web(harness, server_args, port):
    import web_session  # noqa: E402

    with harness.Session(name="run-web", server_args=server_args, start=False) as session:
        target = web_session.start_keypad_target(session)
        with web_session.bridge(session, port) as bridge:
            print("server running under Wine (display %s); logs are in %s" % (session.display, session.workdir))
            print("open %s?bridge in Chrome or Edge on this machine, press Connect, pick Target," % bridge.url)
            print("and use the keypad: what the target window receives is printed here. Ctrl-C ends.\n", flush=True)
            try:
                watch_target(target)
            except KeyboardInterrupt:
                pass
    return 0


def watch_target(target):
    """Prints the target's key and button events as they come, and where the pointer went."""
    seen, last_move = 0, None
    while True:
        events = target.events()
        for event in events[seen:]:
            if event.name == "move":
                last_move = event
            elif event.name in ("key", "button"):
                print("target: %s %s" % (event.name, " ".join(event.fields)), flush=True)
        seen = len(events)
        if last_move is not None:
            print("target: pointer at %s,%s" % tuple(last_move.fields[:2]), flush=True)
            last_move = None
        time.sleep(0.5)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
