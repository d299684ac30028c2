#!/usr/bin/env python3
"""Runs the server under Wine on a virtual serial port and attaches the phone simulator.

Used by scripts/run-server.sh. Everything it starts (Wine prefix copy, Xvfb, the socat pty
pair mapped to COM5, the server) is torn down when the simulator ends (type quit or Ctrl-D).
"""
import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--splash", action="store_true", help="start without /NOSPLASH")
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
    with harness.Session(name="run", server_args=server_args) as session:
        # The port is open once the tray icon exists; bytes sent before that are purged.
        session.wait_window("--class", "QuillantNotifyIcon", limit=harness.START_LIMIT)
        print("server running under Wine (display %s); its COM5 is the pty %s" % (session.display, session.pc_path))
        print("the phone side is %s; logs are in %s" % (session.phone_path, session.workdir))
        print("try: connect, list, select <id>, key Up, disconnect; quit ends everything\n", flush=True)
        phonesim.main([session.phone_path])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
