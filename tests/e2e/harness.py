#!/usr/bin/env python3
"""Runs the Windows server under Wine with a phone on a pty pair.

One template Wine prefix is made per test run (`harness.py make-template DIR`)
and copied for every test. A Session owns everything one test starts: the
prefix copy, an Xvfb display, the socat pty pair whose PC end is COM5 inside
Wine, the server process and the phone simulator, and tears all of it down
whatever happens.

Paths come from the environment that CTest sets (see register.cmake):
  QUILLANT_WINDOWS_BUILD  folder with Quillant.exe, wintool.exe and target.exe
  QUILLANT_MODEMSHIM      the modem-line LD_PRELOAD shim (modemshim.so)
  QUILLANT_E2E_TEMPLATE   the template prefix
  QUILLANT_E2E_KEEP=1     keep each test's folder (logs, prefix) for a post-mortem
"""

import atexit
import contextlib
import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_ROOT, "tools"))

import phonesim  # noqa: E402

COM_PORT = "com5"
SERVER_KEY = r"HKEY_CURRENT_USER\Software\Tarvo\Quillant"
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
DISPLAY_RANGE = range(60, 140)
CONFIG_SHEET_TITLE = "Configure Tarvo Quillant"
# The tray icon's callback message and identifier, and the click that opens its menu.
TRAY_CALLBACK = 0x464
TRAY_ID = 130
WM_RBUTTONUP = 0x205
# Wine's own tray (no window manager's tray on Xvfb): a window of its own with one child per icon.
WINE_TRAY_ICON = ["--class", "__winex11_standalone_tray", "--child", "__winex11_tray_icon"]
IDCANCEL_BUTTON = "IDCANCEL"

# Gates of the modem-line shim (modemshim.c): while its file exists, the server's port misbehaves.
SHIM_GATES = {
    "slow-open": "QUILLANT_SHIM_OPEN_GATE",  # the lookup of dosdevices/comN waits: CreateFileW blocks
    "no-lines": "QUILLANT_SHIM_LINES_GATE",  # no modem-line emulation: the port's event waits fail at once
    "no-status": "QUILLANT_SHIM_STATUS_GATE",  # the count of bytes waiting cannot be read: reads fail at once
}

# Generous limits: the machines are shared and Wine is slow to start on them.
START_LIMIT = 60.0
EVENT_LIMIT = 20.0
TEARDOWN_LIMIT = 30.0

# Registry of the template: the server's port, no crash dialogs, windows
# managed by Wine itself (raised by SetForegroundWindow, destroyed at once),
# no pointer acceleration.
TEMPLATE_REG = r"""Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Tarvo\Quillant]
"Serial Port"="COM5"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Control Panel\Mouse]
"MouseSpeed"="0"
"MouseThreshold1"="0"
"MouseThreshold2"="0"
"""


# On a loaded machine `wine` now and then cannot start a program at all: it ends with 1 and
# prints nothing. None of the programs the tests run ends that way on its own (wintool's "not
# found" is NOT_FOUND, the server writes a first trace line), so such a start is made again.
WINE_COULD_NOT_START = 1
LAUNCH_TRIES = 3
# What wintool ends with when no window matches (or a control is missing).
NOT_FOUND = 4


class HarnessError(Exception):
    pass


def wine_could_not_start(returncode, output):
    return returncode == WINE_COULD_NOT_START and not output


def run_wine(env, args, limit=None, errors=True):
    """Runs `wine <args>` to its end; returns (exit code, its output, with its errors unless
    `errors` is false, as bytes). Output goes through a file: through a pipe it takes seconds, as
    Wine's helpers keep it open."""
    for _ in range(LAUNCH_TRIES):
        with tempfile.TemporaryFile() as out:
            proc = subprocess.run(["wine"] + [str(a) for a in args], env=env, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=out if errors else subprocess.DEVNULL,
                                  timeout=START_LIMIT if limit is None else limit)
            out.seek(0)
            output = out.read()
        if not wine_could_not_start(proc.returncode, output):
            break
    return proc.returncode, output


def started(proc, launch, running, output, what, limit=START_LIMIT):
    """Waits until the program of `proc` shows that it runs (`running()`) or ends; one that Wine
    could not start (`output()` is what it printed) is started again with `launch()`, up to
    LAUNCH_TRIES starts in all. Returns the process last started."""
    for _ in range(LAUNCH_TRIES - 1):
        wait_until(lambda: running() or proc.poll() is not None, limit, "%s to start" % what)
        if running() or not wine_could_not_start(proc.poll(), output()):
            break
        print("---- wine could not start %s; starting it again" % what, flush=True)
        proc = launch()
    return proc


def env_path(name, default=None):
    value = os.environ.get(name, default)
    if not value:
        raise HarnessError("%s is not set; run the tests through ctest --preset e2e" % name)
    return value


def windows_build():
    return env_path("QUILLANT_WINDOWS_BUILD", os.path.join(SOURCE_ROOT, "build", "windows"))


def server_exe():
    path = os.path.join(windows_build(), "Quillant.exe")
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: build it with cmake --preset windows && cmake --build --preset windows" % path)
    return path


def wintool_exe():
    path = os.path.join(windows_build(), "wintool.exe")
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: build the windows preset" % path)
    return path


def target_exe():
    path = os.path.join(windows_build(), "target.exe")
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: build the windows preset" % path)
    return path


def traygate_exe():
    path = os.path.join(windows_build(), "traygate.exe")
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: build the windows preset" % path)
    return path


def modem_shim():
    path = env_path("QUILLANT_MODEMSHIM")
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: cmake --build --preset e2e" % path)
    return path



@contextlib.contextmanager
def standalone_environment():
    """For the benchmarks, run outside CTest: the build folders of this checkout, and a template
    prefix made for the run and removed after it unless QUILLANT_E2E_TEMPLATE names one."""
    os.environ.setdefault("QUILLANT_WINDOWS_BUILD", os.path.join(SOURCE_ROOT, "build", "windows"))
    os.environ.setdefault("QUILLANT_MODEMSHIM", os.path.join(SOURCE_ROOT, "build", "e2e", "modemshim.so"))
    made = None
    if not os.environ.get("QUILLANT_E2E_TEMPLATE"):
        made = os.path.join(tempfile.mkdtemp(prefix="quillant-bench-"), "template")
        make_template(made)
        os.environ["QUILLANT_E2E_TEMPLATE"] = made
    try:
        yield
    finally:
        if made:
            remove_template(made)
            os.rmdir(os.path.dirname(made))


def percentile(values, fraction):
    """The value at `fraction` (0 to 1) of the sorted values, nearest rank."""
    ordered = sorted(values)
    index = min(len(ordered) - 1, max(0, int(round(fraction * (len(ordered) - 1)))))
    return ordered[index]


def wait_until(condition, limit, what, poll=0.02):
    """Polls `condition` until it returns something true; raises after `limit` s."""
    deadline = time.monotonic() + limit
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise HarnessError("timed out after %.1f s waiting for %s" % (limit, what))
        time.sleep(poll)


_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # A test killed by CTest's time-out must not leave Xvfb or socat behind.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


def wine_env(prefix, display=None, preload=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG=os.environ.get("QUILLANT_WINEDEBUG", "-all"),
               WINEDLLOVERRIDES=DLL_OVERRIDES, WINEARCH="win64")
    env.pop("LD_PRELOAD", None)
    if display is not None:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    if preload:
        env["LD_PRELOAD"] = preload
    return env


def kill_wineserver(prefix, wait=True):
    """Ends every Wine process of this prefix, and only of this prefix."""
    env = wine_env(prefix)
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TEARDOWN_LIMIT)
    if wait:
        subprocess.run(["wineserver", "-w"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TEARDOWN_LIMIT)


# ---------------------------------------------------------------- template


def make_template(path):
    """A fresh prefix with the registry the tests need. Takes 10-60 s."""
    path = os.path.abspath(path)
    if os.path.exists(path):
        kill_wineserver(path)
        shutil.rmtree(path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    log_path = path + ".log"
    env = wine_env(path)
    started = time.monotonic()
    with open(log_path, "w") as log:
        # Output goes to a file: Wine's helper processes keep a pipe open for
        # seconds after the command is done.
        subprocess.run(["wineboot", "-i"], env=env, stdout=log, stderr=log, check=True, timeout=600)
        reg_file = os.path.join(path, "quillant-test.reg")
        with open(reg_file, "w", encoding="utf-16") as f:
            f.write(TEMPLATE_REG.replace("\n", "\r\n"))
        subprocess.run(["wine", "reg", "import", reg_file], env=env, stdout=log, stderr=log, check=True, timeout=300)
        os.remove(reg_file)
        subprocess.run(["wineserver", "-w"], env=env, stdout=log, stderr=log, timeout=300)
    with open(os.path.join(path, "user.reg"), encoding="latin-1") as f:
        user_reg = f.read()
    for needle in ('"Serial Port"="COM5"', '"Managed"="N"', '"ShowCrashDialog"=dword:00000000'):
        if needle not in user_reg:
            raise HarnessError("template prefix lacks %s; see %s" % (needle, log_path))
    print("template prefix %s made in %.1f s" % (path, time.monotonic() - started))


def remove_template(path):
    path = os.path.abspath(path)
    if os.path.exists(path):
        kill_wineserver(path)
        shutil.rmtree(path, ignore_errors=True)
    if os.path.exists(path + ".log"):
        os.remove(path + ".log")


# ---------------------------------------------------------------- session


class Server:
    """A running Quillant.exe: its own pid (no shell in between), its log."""

    STARTED = "Quillant: server process "

    def __init__(self, session, args, log_name):
        self.session = session
        self.log_path = os.path.join(session.workdir, log_name)
        self.log = open(self.log_path, "wb")

        def launch():
            return subprocess.Popen(["wine", session.installed_exe] + list(args),
                                    cwd=os.path.dirname(session.installed_exe), env=session.env(preload=True),
                                    stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT,
                                    preexec_fn=_die_with_parent)
        # Its first trace line says the program runs.
        self.proc = started(launch(), launch, lambda: self.STARTED in self.log_text(), self.log_text, "the server")
        self.pid = self.proc.pid

    def alive(self):
        return self.proc.poll() is None

    def wait_exit(self, limit=EVENT_LIMIT):
        try:
            return self.proc.wait(limit)
        except subprocess.TimeoutExpired:
            raise HarnessError("server pid %d still running after %.1f s" % (self.pid, limit)) from None

    def cpu_seconds(self):
        """User plus system CPU time of the server process so far."""
        with open("/proc/%d/stat" % self.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def log_text(self):
        """Everything the server wrote so far (its trace lines with QUILLANT_TRACE=1)."""
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", errors="replace")

    def resident_kib(self):
        with open("/proc/%d/status" % self.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def close(self):
        if self.alive():
            self.proc.kill()
            try:
                self.proc.wait(TEARDOWN_LIMIT)
            except subprocess.TimeoutExpired:
                pass
        self.log.close()


def windows_path(path):
    """A Linux path as Wine programs see it (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def profile_text(name, mapping, class_name="", executable="", title="", bring_to_top=True, auto_restore=False):
    """A profile file in the layout the profile editor writes; `mapping` is
    (phone key name, action string) pairs."""
    lines = ["[Application]",
             'Name="%s"' % name,
             'Executable="%s"' % executable,
             'Title="%s"' % title,
             "AutoRestore=%s" % ("true" if auto_restore else "false"),
             "BringToTop=%s" % ("true" if bring_to_top else "false"),
             'ClassName="%s"' % class_name,
             "[KeyMapping]"]
    lines += ["%s=%s" % (key, action) for key, action in mapping]
    return "\r\n".join(lines) + "\r\n"


class Event:
    """One line of a target's log: `ns` (CLOCK_MONOTONIC_RAW in ns), the
    receiving window's id, the event name and its fields."""

    __slots__ = ("ns", "hwnd", "name", "fields")

    def __init__(self, line):
        words = line.split()
        self.ns = int(words[0])
        self.hwnd = int(words[1], 16)
        self.name = words[2]
        self.fields = words[3:]

    def __repr__(self):
        return "%d 0x%08x %s %s" % (self.ns, self.hwnd, self.name, " ".join(self.fields))


class Target:
    """A running target.exe (tests/e2e/target.cpp): a window that records the
    keyboard and mouse input it gets. Commands are posted to its class."""

    OPEN_WINDOW, OPEN_POPUP, CLOSE_EXTRA, ACTIVATE, MINIMIZE, SET_CURSOR, EXIT = range(0x8001, 0x8008)

    def __init__(self, session, name, class_name, title, args, program=None):
        self.session = session
        self.class_name = class_name
        self.log_path = os.path.join(session.workdir, "%s.log" % name)
        self.out = open(os.path.join(session.workdir, "%s.out" % name), "wb")
        self._offset = 0
        self._partial = b""
        self._events = []
        command = ["wine", program or target_exe(), "--log", windows_path(self.log_path)]
        if program is None:
            command += ["--class", class_name, "--title", title]
        command += list(args)
        self._argv = command
        self._launch()
        self.hwnd = None

    def _launch(self):
        self.proc = subprocess.Popen(self._argv, env=self.session.env(), stdin=subprocess.DEVNULL, stdout=self.out,
                                     stderr=subprocess.STDOUT, preexec_fn=_die_with_parent)
        return self.proc

    def _output(self):
        with open(self.out.name, "rb") as f:
            return f.read()

    def events(self):
        """Every event logged so far, in order (whole lines only)."""
        try:
            with open(self.log_path, "rb") as f:
                f.seek(self._offset)
                data = f.read()
        except FileNotFoundError:
            return self._events
        self._offset += len(data)
        data = self._partial + data
        lines = data.split(b"\n")
        self._partial = lines.pop()
        self._events.extend(Event(line.decode("ascii")) for line in lines if line.strip())
        return self._events

    def wait_events(self, condition, limit=EVENT_LIMIT, what="target events"):
        """Polls the log until condition(events) is true; returns the events."""
        def check():
            events = self.events()
            return events if condition(events) else None
        try:
            return wait_until(check, limit, what, poll=0.01)
        except HarnessError as exc:
            raise HarnessError("%s; the target logged:\n%s" % (exc, self.tail())) from None

    def wait_ready(self, limit=START_LIMIT):
        started(self.proc, self._launch, self.events, self._output, self.class_name, limit)
        events = self.wait_events(lambda ev: any(e.name == "ready" for e in ev), limit, "%s ready" % self.class_name)
        self.hwnd = next(e.hwnd for e in events if e.name == "ready")
        return self.hwnd

    def named(self, *names):
        return [e for e in self.events() if e.name in names]

    def keys(self):
        """Key messages as (kind, vk, modifiers) tuples, e.g. ("down", 0x41, "C")."""
        return [(e.fields[0], int(e.fields[1], 16), e.fields[2]) for e in self.named("key")]

    def post(self, message, lparam=0, wparam=0):
        code, lines = self.session.wintool("post", "--class", self.class_name, hex(message), wparam, lparam)
        if code != 0:
            raise HarnessError("could not post 0x%x to %s (wintool %d %s)" % (message, self.class_name, code, lines))

    def set_cursor(self, x, y):
        self.post(self.SET_CURSOR, (y << 16) | x)

    def tail(self, count=40):
        return "\n".join(repr(e) for e in self.events()[-count:])

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            try:
                self.proc.wait(TEARDOWN_LIMIT)
            except subprocess.TimeoutExpired:
                pass
        self.out.close()


class TrayGate(Target):
    """A running traygate.exe (tests/e2e/traygate.cpp): a tray window in front of Wine's own. Closed
    (at start) it refuses icons, as a shell that is not running yet; open it passes them on to Wine's
    tray. Its log has one event per request: ("add", "modify", ...) with fields uid, passed, tip."""

    OPEN, CLOSE = 0x8001, 0x8002

    def __init__(self, session):
        super().__init__(session, "traygate", "QuillantTrayGate", None, (), program=traygate_exe())

    def shell_up(self, broadcast):
        """Opens the gate: the shell is up; with `broadcast` it then tells every window
        "TaskbarCreated", as a restarted shell does. Returns the gate's "open" event, once logged."""
        return self._command(self.OPEN, 1 if broadcast else 0, "open")

    def shell_down(self):
        """Closes the gate: the shell is gone, and so are the icons in Wine's tray. Returns the
        gate's "closed" event, once logged."""
        return self._command(self.CLOSE, 0, "closed")

    def _command(self, message, wparam, name):
        before = len(self.named(name))
        self.post(message, wparam=wparam)
        self.wait_events(lambda ev: sum(e.name == name for e in ev) > before, what=name)
        return self.named(name)[before]

    def wait_request(self, verb, passed, after=None, limit=EVENT_LIMIT):
        """The first request `verb` ("add", "modify", ...) logged after the event `after` whose
        outcome is `passed`; waits for it."""
        def found(events):
            start = events.index(after) + 1 if after is not None else 0
            return [e for e in events[start:] if e.name == verb and e.fields[1] == ("1" if passed else "0")]
        return found(self.wait_events(found, limit, "%s %s" % ("passed" if passed else "refused", verb)))[0]


class Session:
    """Everything one test runs; use as a context manager.

    port_present=False starts the server with no COM5 (socat runs, but the
    port is not mapped until map_port()). gates maps names of SHIM_GATES that the
    server's shim obeys to whether each is shut when the server starts."""

    def __init__(self, name="e2e", port_present=True, start=True, server_args=("/NOSPLASH",), configure="cancel",
                 gates=None):
        self.name = name
        self.gates = dict(gates or {})
        # What start_server does with the configuration sheet that the server opens at every
        # start: "cancel" waits for it and cancels it, None leaves it to the test.
        self.configure = configure
        self.port_present = port_present
        self.start_server_now = start
        self.server_args = list(server_args)
        self.workdir = None
        self.prefix = None
        self.display = None
        self.xvfb = None
        self.socat = None
        self.server = None
        self.phones = []
        self.targets = []
        self.extra_servers = []
        self.extra_socats = []
        self._torn_down = False

    # -- set-up

    def __enter__(self):
        try:
            self.setup()
        except BaseException:
            self.teardown()
            raise
        return self

    def __exit__(self, *exc):
        self.teardown()

    def setup(self):
        template = env_path("QUILLANT_E2E_TEMPLATE")
        if not os.path.isfile(os.path.join(template, "system.reg")):
            raise HarnessError("template prefix %s is missing: run the e2e_template test first" % template)
        exe = server_exe()
        self.workdir = tempfile.mkdtemp(prefix="quillant-e2e-%s-" % self.name, dir="/tmp")
        atexit.register(self.teardown)
        self.prefix = os.path.join(self.workdir, "prefix")
        subprocess.run(["cp", "-a", template, self.prefix], check=True, timeout=300)
        # The exe runs from inside the prefix, as an installed program would,
        # so that its folder (profiles beside it) belongs to this test alone.
        install_dir = os.path.join(self.prefix, "drive_c", "Quillant")
        os.makedirs(install_dir, exist_ok=True)
        self.installed_exe = os.path.join(install_dir, "Quillant.exe")
        shutil.copy2(exe, self.installed_exe)
        build = os.path.dirname(exe)
        for name in os.listdir(build):
            if name.lower().endswith((".chm", ".hlp")):
                shutil.copy2(os.path.join(build, name), install_dir)
        if os.path.isdir(os.path.join(build, "Profiles")):
            shutil.copytree(os.path.join(build, "Profiles"), os.path.join(install_dir, "Profiles"))
        self.start_xvfb()
        self.start_socat()
        if self.port_present:
            self.map_port()
        for name, shut in self.gates.items():
            if shut:
                self.shut_gate(name)
        if self.start_server_now:
            self.start_server()

    def start_xvfb(self):
        """An X display of our own: the first free number from DISPLAY_RANGE,
        taken only once Xvfb itself reports it ready."""
        offset = os.getpid() % len(DISPLAY_RANGE)
        numbers = list(DISPLAY_RANGE)[offset:] + list(DISPLAY_RANGE)[:offset]
        log = open(os.path.join(self.workdir, "xvfb.log"), "wb")
        for number in numbers:
            if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
                continue
            ready_r, ready_w = os.pipe()
            proc = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-displayfd", str(ready_w)],
                pass_fds=[ready_w], stdout=log, stderr=log, preexec_fn=_die_with_parent)
            os.close(ready_w)
            answer = b""
            deadline = time.monotonic() + START_LIMIT
            while not answer.endswith(b"\n") and time.monotonic() < deadline:
                readable, _, _ = select.select([ready_r], [], [], deadline - time.monotonic())
                chunk = os.read(ready_r, 64) if readable else b""
                if not chunk:
                    break
                answer += chunk
            os.close(ready_r)
            if answer.strip() == str(number).encode():
                self.xvfb = proc
                self.display = ":%d" % number
                log.close()
                return
            proc.kill()
            proc.wait()
        log.close()
        raise HarnessError("no free X display in %s" % DISPLAY_RANGE)

    def start_socat(self):
        """A connected pty pair: `phone` for the simulator, `pc` for Wine."""
        self.phone_path = os.path.join(self.workdir, "phone")
        self.pc_path = os.path.join(self.workdir, "pc")
        for link in (self.phone_path, self.pc_path):
            if os.path.lexists(link):
                os.remove(link)
        self.socat_log = open(os.path.join(self.workdir, "socat.log"), "ab")
        self.socat = subprocess.Popen(
            ["socat", "-d", "-d", "pty,raw,echo=0,link=%s" % self.phone_path, "pty,raw,echo=0,link=%s" % self.pc_path],
            stdout=self.socat_log, stderr=self.socat_log, preexec_fn=_die_with_parent)
        wait_until(lambda: os.path.exists(self.phone_path) and os.path.exists(self.pc_path) or self.socat.poll() is not None,
                   START_LIMIT, "socat's pty pair")
        if self.socat.poll() is not None:
            raise HarnessError("socat ended at start; see %s" % self.socat_log.name)

    def stop_socat(self):
        """Kills the pair: the PC side sees its port hang up."""
        if self.socat and self.socat.poll() is None:
            self.socat.terminate()
            try:
                self.socat.wait(TEARDOWN_LIMIT)
            except subprocess.TimeoutExpired:
                self.socat.kill()
                self.socat.wait()
        if self.socat:
            self.socat_log.close()
        self.socat = None

    def map_port(self):
        """Makes COM5 appear inside Wine: dosdevices/com5 -> the PC end."""
        link = os.path.join(self.prefix, "dosdevices", COM_PORT)
        temp = link + ".new"
        if os.path.lexists(temp):
            os.remove(temp)
        os.symlink(self.pc_path, temp)
        os.replace(temp, link)  # atomic: the server sees no half-made port

    def env(self, preload=False):
        env = wine_env(self.prefix, self.display, modem_shim() if preload else None)
        if preload:
            # The server's own programs: its trace lines go to its log.
            env["QUILLANT_TRACE"] = "1"
            for name in self.gates:
                env[SHIM_GATES[name]] = self.gate_path(name)
        return env

    def gate_path(self, name):
        if name not in self.gates:
            raise HarnessError("gate %r was not given to the session" % name)
        return os.path.join(self.workdir, "gate-" + name)

    def shut_gate(self, name):
        open(self.gate_path(name), "w").close()

    def open_gate(self, name):
        os.remove(self.gate_path(name))

    def wait_log(self, text, count=1, limit=EVENT_LIMIT):
        """Waits until the server's log holds `text` `count` times; returns the whole log."""
        def enough():
            log = self.server.log_text()
            return log if log.count(text) >= count else None
        try:
            return wait_until(enough, limit, "%d x %r in the server's log" % (count, text), poll=0.05)
        except HarnessError as exc:
            raise HarnessError("%s; the log ends:\n%s" % (exc, self.server_log())) from None

    def start_server(self, args=None, log_name="server.log", configure="session"):
        """Starts Quillant.exe. configure: "cancel" waits for the configuration sheet it
        opens at start and cancels it; None leaves it; "session" takes the session's choice."""
        server = Server(self, self.server_args if args is None else args, log_name)
        if self.server is None:
            self.server = server
        else:
            self.extra_servers.append(server)
        if (self.configure if configure == "session" else configure) == "cancel":
            self.close_config_sheet(IDCANCEL_BUTTON, limit=START_LIMIT)
        return server

    def config_sheet_filters(self):
        return ["--class", "#32770", "--title", CONFIG_SHEET_TITLE, "--visible"]

    def close_config_sheet(self, button, limit=EVENT_LIMIT):
        """Waits for the configuration sheet, presses OK or Cancel, waits until it is gone."""
        filters = self.config_sheet_filters()
        code, lines = self.wintool("press", button, *filters, "--timeout", int(limit * 1000))
        if code != 0:
            raise HarnessError("no configuration sheet to press %s on (wintool %d: %s)\n%s"
                               % (button, code, lines, diagnostics(self)))
        code, _ = self.wintool("waitgone", *filters, "--timeout", int(EVENT_LIMIT * 1000))
        if code != 0:
            raise HarnessError("configuration sheet still open after %s" % button)

    def phone(self, answer_sync=False, path=None):
        phone = phonesim.Phone(path or self.phone_path, answer_sync=answer_sync)
        self.phones.append(phone)
        return phone

    def profiles_dir(self):
        return os.path.join(os.path.dirname(self.installed_exe), "Profiles")

    def write_profile(self, file_name, text):
        """Puts a profile beside the server; it is read when the server starts."""
        os.makedirs(self.profiles_dir(), exist_ok=True)
        with open(os.path.join(self.profiles_dir(), file_name), "w", encoding="latin-1", newline="") as f:
            f.write(text)

    def set_dword(self, name, value, key=SERVER_KEY):
        self._reg_add(key, name, "REG_DWORD", str(value))

    def reg_query(self, name, key=SERVER_KEY):
        """The data of a registry value as `reg query` prints it, or None when it is missing."""
        code, output = run_wine(self.env(), ["reg", "query", key, "/v", name])
        if code != 0:
            return None
        for line in output.decode("utf-8", errors="replace").splitlines():
            # "    <name>    REG_<type>    <data>"; names may hold blanks.
            match = re.match(r"^\s+(.+?)\s+(REG_[A-Z_]+)(?:\s+(.*))?$", line.rstrip("\r"))
            if match and match.group(1).lower() == name.lower():
                return match.group(3) or ""
        return None

    def set_string(self, name, value, key=SERVER_KEY):
        self._reg_add(key, name, "REG_SZ", value)

    def _reg_add(self, key, name, kind, data):
        code, output = run_wine(self.env(), ["reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"])
        if code != 0:
            raise HarnessError("reg add %s %s failed: %s" % (key, name, output.decode(errors="replace")))

    def run_program(self, program, args=(), limit=START_LIMIT, log_name="program.log"):
        """Runs a Windows program in the prefix to its end; returns its exit code. Output is
        appended to <log_name> in the session folder."""
        code, output = run_wine(self.env(), [program] + list(args), limit)
        with open(os.path.join(self.workdir, log_name), "ab") as log:
            log.write(output)
        return code

    def windows_user(self):
        """The name of the prefix's user (its folder under C:\\users)."""
        users = [d for d in os.listdir(os.path.join(self.prefix, "drive_c", "users")) if d.lower() != "public"]
        if len(users) != 1:
            raise HarnessError("expected one user folder in the prefix, found %s" % users)
        return users[0]

    def unix_path(self, path):
        """Where a C: path of the prefix lies on Linux."""
        if not re.match(r"^[Cc]:\\", path):
            raise HarnessError("not a C: path: %r" % path)
        return os.path.join(self.prefix, "drive_c", *[p for p in path[3:].split("\\") if p])

    def add_port(self, com_name):
        """A second pty pair mapped as `com_name` (e.g. "com6"); returns the phone end's path.
        It lives until the session ends."""
        phone_path = os.path.join(self.workdir, "phone-" + com_name)
        pc_path = os.path.join(self.workdir, "pc-" + com_name)
        log = open(os.path.join(self.workdir, "socat-%s.log" % com_name), "ab")
        proc = subprocess.Popen(
            ["socat", "-d", "-d", "pty,raw,echo=0,link=%s" % phone_path, "pty,raw,echo=0,link=%s" % pc_path],
            stdout=log, stderr=log, preexec_fn=_die_with_parent)
        log.close()
        self.extra_socats.append(proc)
        wait_until(lambda: os.path.exists(phone_path) and os.path.exists(pc_path) or proc.poll() is not None,
                   START_LIMIT, "socat's pty pair for %s" % com_name)
        if proc.poll() is not None:
            raise HarnessError("socat for %s ended at start" % com_name)
        os.symlink(pc_path, os.path.join(self.prefix, "dosdevices", com_name.lower()))
        return phone_path

    def screenshot(self, name):
        """Saves the whole display as <name>.png in QUILLANT_E2E_SCREENSHOTS (when set) and
        returns the path; None when screenshots are not wanted."""
        folder = os.environ.get("QUILLANT_E2E_SCREENSHOTS")
        if not folder:
            return None
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=START_LIMIT, check=False)
        return path

    def start_target(self, name="target", class_name="QuillantTarget", title="Target", args=(), wait=True):
        """Starts target.exe; with `wait`, returns once its main window is up."""
        target = Target(self, name, class_name, title, args)
        self.targets.append(target)
        if wait:
            target.wait_ready()
        return target

    def start_tray_gate(self):
        """Starts traygate.exe, closed, and returns once it stands in front of Wine's tray."""
        gate = TrayGate(self)
        self.targets.append(gate)
        gate.wait_ready()
        return gate

    # -- looking at windows

    def wintool(self, *args, limit=None):
        """Runs wintool.exe in the prefix; returns (exit code, output lines). Unless `limit`
        says otherwise, the tool gets its own time-out (--timeout) plus 30 s to answer."""
        if limit is None:
            words = [str(a) for a in args]
            own = int(words[words.index("--timeout") + 1]) / 1000 if "--timeout" in words[:-1] else 10.0
            limit = max(own, EVENT_LIMIT) + 30
        code, output = run_wine(self.env(), [wintool_exe()] + list(args), limit, errors=False)
        return code, output.decode("utf-8", errors="replace").splitlines()

    def wait_window(self, *filters, limit=EVENT_LIMIT):
        code, lines = self.wintool("wait", *filters, "--timeout", int(limit * 1000))
        if code != 0:
            raise HarnessError("no window %s within %.0f s; windows now:\n%s" % (filters, limit, "\n".join(self.windows())))
        return lines[0]

    def windows(self):
        return self.wintool("list")[1]

    def foreground(self):
        """The id of the foreground window, or None."""
        code, lines = self.wintool("foreground")
        return int(lines[0].split()[0], 16) if code == 0 and lines else None

    def choose_tray_item(self, item, limit=EVENT_LIMIT, in_wine_tray=False):
        """Right-clicks the server's tray icon and picks `item` (with its mnemonic, as in
        "&Exit") from the menu, as a user would; returns once the menu is gone. The click goes
        to the icon's own window as the shell would send it, or with `in_wine_tray` to the icon
        shown in Wine's tray (the only icon there), which tells the server."""
        if in_wine_tray:
            click = WINE_TRAY_ICON + [hex(WM_RBUTTONUP), 0, 0]
        else:
            click = ["--class", "QuillantNotifyIcon", hex(TRAY_CALLBACK), TRAY_ID, hex(WM_RBUTTONUP)]
        code, lines = self.wintool("post", *click)
        if code != 0:
            raise HarnessError("no tray window to right-click (wintool %d %s)" % (code, lines))
        self.wait_window("--class", "#32768", "--visible", limit=limit)
        code, lines = self.wintool("choose", item, "--timeout", int(limit * 1000))
        if code != 0:
            raise HarnessError("could not choose %s (wintool %d %s)" % (item, code, lines))
        self.wintool("waitgone", "--class", "#32768", "--visible", "--timeout", int(limit * 1000))

    def message_box(self, text, limit=EVENT_LIMIT):
        """Waits for a visible message box of the server showing `text`; returns its texts."""
        filters = ["--class", "#32770", "--title", "Tarvo Quillant", "--text", text, "--visible"]
        self.wait_window(*filters, limit=limit)
        code, lines = self.wintool("text", *filters)
        if code != 0:
            raise HarnessError("message box %r vanished before it could be read" % text)
        return "\n".join(lines)

    def count_message_boxes(self):
        code, lines = self.wintool("count", "--class", "#32770", "--title", "Tarvo Quillant", "--visible")
        if code != 0 or not lines:
            raise HarnessError("wintool count failed (%d %s)" % (code, lines))
        return int(lines[0])

    def press(self, button, text, limit=EVENT_LIMIT):
        filters = ["--class", "#32770", "--title", "Tarvo Quillant", "--text", text, "--visible"]
        code, lines = self.wintool("press", button, *filters, "--timeout", int(limit * 1000))
        if code != 0:
            raise HarnessError("could not press %s on the box %r (wintool %d: %s)" % (button, text, code, lines))
        code, _ = self.wintool("waitgone", *filters, "--timeout", int(limit * 1000))
        if code != 0:
            raise HarnessError("box %r still open after %s" % (text, button))

    def assert_responsive(self, limit=5.0, window_class="QuillantMainFrame"):
        """The server's GUI thread must answer a sent message within `limit` s; returns the
        time it took to answer, in ms."""
        code, lines = self.wintool("ping", "--class", window_class, "--timeout", int(limit * 1000))
        if code != 0:
            raise HarnessError("the server's window thread did not answer within %.1f s: %s" % (limit, lines))
        match = re.search(r"answered in ([0-9.]+) ms", "\n".join(lines))
        return float(match.group(1)) if match else None

    # -- teardown

    def teardown(self):
        if self._torn_down:
            return
        self._torn_down = True
        for phone in self.phones:
            phone.close()
        if self.prefix and os.path.isdir(self.prefix):
            try:
                kill_wineserver(self.prefix)
            except (subprocess.TimeoutExpired, OSError):
                pass
        for server in [self.server] + self.extra_servers:
            if server is not None:
                server.close()
        for target in self.targets:
            target.close()
        self.stop_socat()
        for proc in self.extra_socats:
            proc.kill()
            proc.wait()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(TEARDOWN_LIMIT)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        if self.workdir and os.environ.get("QUILLANT_E2E_KEEP") != "1":
            shutil.rmtree(self.workdir, ignore_errors=True)

    def server_log(self):
        if self.server is None or not os.path.exists(self.server.log_path):
            return ""
        with open(self.server.log_path, "rb") as f:
            return f.read()[-4000:].decode("utf-8", errors="replace")


def diagnostics(session):
    """What a failed test prints: the phone's transcript, windows, server log."""
    parts = ["---- session %s (folder %s)" % (session.name, session.workdir)]
    for i, phone in enumerate(session.phones):
        parts.append("---- phone %d transcript\n%s" % (i, phone.format_transcript()))
    if session.prefix and session.display:
        try:
            parts.append("---- windows\n" + "\n".join(session.windows()))
        except (HarnessError, subprocess.SubprocessError, OSError) as exc:
            parts.append("---- windows unavailable: %s" % exc)
    for target in session.targets:
        parts.append("---- %s log (last events)\n%s" % (target.class_name, target.tail()))
    if session.server is not None:
        code = session.server.proc.poll()
        parts.append("---- server pid %d %s" % (session.server.pid, "running" if code is None else "ended with %s" % code))
    parts.append("---- server output\n" + session.server_log())
    return "\n".join(parts) + "\n"


class ServerTestCase(unittest.TestCase):
    """Base of the end-to-end cases: each test runs its own server."""

    @contextlib.contextmanager
    def server(self, **options):
        session = Session(self.id().rsplit(".", 1)[-1], **options)
        with session:
            try:
                yield session
            except BaseException:
                sys.stderr.write(diagnostics(session))
                raise

    def assertBetween(self, value, low, high, what):
        self.assertTrue(low <= value <= high, "%s: %.3f s, expected %.3f to %.3f s" % (what, value, low, high))


def _on_sigterm(signum, frame):
    # CTest ends a test that ran out of time with SIGTERM first: turn it into
    # an exception so that every Session's teardown runs.
    raise KeyboardInterrupt("terminated by signal %d" % signum)


# Installed on import: every test module and the benchmark import this one.
signal.signal(signal.SIGTERM, _on_sigterm)


def main(argv):
    if len(argv) == 3 and argv[1] == "make-template":
        make_template(argv[2])
        return 0
    if len(argv) == 3 and argv[1] == "remove-template":
        remove_template(argv[2])
        return 0
    print("usage: harness.py make-template DIR | remove-template DIR", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
