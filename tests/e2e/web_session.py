"""The phone page against the server under Wine: a profile for the target window that every
phone key can be tried on, and the bridge between the page's WebSocket and the pty's phone end.
Used by the page's end-to-end tests, its benchmark and scripts/run-server.sh --web."""

import os

import harness

TARGET_CLASS = "QuillantTarget"
# Digits type digits, the directions move the pointer, Button clicks; the rest are keys.
KEYPAD_PROFILE = ([(str(d), "KEY(NUM_%d)" % d) for d in range(10)]
                  + [("Star", "KEY(MULTIPLY)"), ("Hash", "KEY(SUBTRACT)"),
                     ("Up", "MOUSE(UP)"), ("Down", "MOUSE(DOWN)"), ("Left", "MOUSE(LEFT)"), ("Right", "MOUSE(RIGHT)"),
                     ("Button", "MOUSE(BUTTON1)"), ("Clear", "KEY(BACK)"), ("Menu", "KEY(APPS)"),
                     ("Connect", "KEY(RETURN)"), ("Disconnect", "KEY(ESCAPE)"), ("Power", "KEY(F5)"),
                     ("Speaker", "KEY(F6)"), ("Case Open", "KEY(HOME)"), ("Case Close", "KEY(END)")])
VK_NUM_1 = 0x31


def bridge_module():
    import sys
    sys.path.insert(0, os.path.join(harness.SOURCE_ROOT, "tools"))
    import web_bridge
    return web_bridge


def bridge(session, port=0):
    """The bridge between web/dist's page and the session's phone end; use it with `with`."""
    return bridge_module().Bridge(session.phone_path, os.path.join(harness.SOURCE_ROOT, "web", "dist"), port)


def ws_url(bridge):
    return "ws://localhost:%d/bridge" % bridge.port


def start_keypad_target(session):
    """The target window with the keypad profile, and the server, which then lists it."""
    session.write_profile("Target.ini", harness.profile_text("Target", KEYPAD_PROFILE, class_name=TARGET_CLASS))
    target = session.start_target(class_name=TARGET_CLASS)
    session.start_server()
    # The port is open once the tray icon is there; bytes sent before that are dropped.
    session.wait_window("--class", "QuillantNotifyIcon", limit=harness.START_LIMIT)
    return target
