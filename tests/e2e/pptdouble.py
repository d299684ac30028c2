"""The presentation program's test double (tests/e2e/pptdouble/, built into
pptdouble.exe) as the Wine tests use it.

Registration. `PptDouble(session).register()` imports a .reg file into the
Session's prefix with `wine reg import` (output to a file: through a pipe it
takes seconds):
    HKCR\\Powerpoint.Application\\CLSID          = {778EDE0C-5FC8-4252-8B21-C6F03B9A2431}
    HKCR\\CLSID\\{...}\\LocalServer32            = "Z:\\...\\pptdouble.exe" --dir "Z:\\<test folder>\\pptdouble"
    HKCR\\CLSID\\{...}\\ProgID                   = Powerpoint.Application
Register before the server reaches the program: it connects when the
list shows the program's documents or the phone acts on a presentation. So:

    with harness.Session("name", start=False) as s:
        double = pptdouble.PptDouble(s)
        double.register()
        double.start([("Talk.ppt", [pptdouble.Slide("Intro", notes="Hello"), pptdouble.Slide(None)])])
        s.start_server()
        ... double.move("Talk.ppt", "next"); double.busy(True); double.calls() ...

Starting. `start(presentations)` writes the presentations as the script of
the control file and starts the double; it runs the script, then registers
its class object (REGCLS_MULTIPLEUSE) and its Application object in the
running-object table, so the server attaches to this one process. `quit()`
ends it the way a program ends, leaving both registrations; a killed double
would leave them behind (Wine then fails every later activation). If no double runs when a client connects, COM starts one with the
same folder; `wait_ready()` then finds it.

Driving. The folder holds three files: control.txt, to which `command()`
appends "<seq> <command> <words>" lines (words percent-encoded), polled by
the double every 15 ms; replies.txt, where the double answers "<seq> ok ..."
or "<seq> error ..." (and "ready <pid> <hwnd>" once clients can connect);
and calls.log, one line per call the double received (`calls()`). The
commands are listed in pptdouble/Control.h; the helpers below wrap them.
`Client` runs pptclient.exe, which connects as the server does and makes the
calls a test names (test_pptdouble.py, the double's own test).

What the double does: Next on the last shown slide goes to the black end
screen (CurrentShowPosition = slide count + 1), and Next there ends the show
(with `end_screen(False)` Next on the last slide ends it at once); Next and
Previous skip hidden slides, GotoSlide does not; Previous on the first slide
stays; Run starts at the first shown slide (or restarts a running show).
Presentations.Item finds a name as given or without its extension, in any
case ("talk" and "TALK.PPT" find Talk.ppt; "Talk.ppt" does not find
Talk.pptx). Failing members raise DISP_E_EXCEPTION with a description; while
busy every call (not the connection itself) fails with RPC_E_CALL_REJECTED.
Integer flags are -1 when true. Objects refer to their presentation, slide
and show by id: once those are gone (closed, deleted, show ended) their calls
fail, even when a new show of the same presentation runs.
"""

import os
import select
import subprocess
import time
import urllib.parse

import harness
from harness import HarnessError

PROG_ID = "Powerpoint.Application"
CLSID = "{778EDE0C-5FC8-4252-8B21-C6F03B9A2431}"

DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_PARAMNOTFOUND = 0x80020004
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_NONAMEDARGS = 0x80020007
DISP_E_EXCEPTION = 0x80020009
DISP_E_BADPARAMCOUNT = 0x8002000E
RPC_E_CALL_REJECTED = 0x80010001


def enc(text):
    return urllib.parse.quote(str(text), safe="")


def dec(text):
    return urllib.parse.unquote(text, errors="strict")


def pptdouble_exe():
    return _build_file("pptdouble.exe")


def pptclient_exe():
    return _build_file("pptclient.exe")


def _build_file(name):
    path = os.path.join(harness.windows_build(), name)
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: build the windows preset" % path)
    return path


class Slide:
    """A slide: its title (None: no title placeholder), hidden flag, notes."""

    def __init__(self, title="", hidden=False, notes=""):
        self.title = title
        self.hidden = hidden
        self.notes = notes

    def words(self):
        title = "notitle" if self.title is None else "title=" + enc(self.title)
        return [title, "hidden=%d" % bool(self.hidden), "notes=" + enc(self.notes)]


class Call:
    """One line of the call log."""

    __slots__ = ("ns", "type", "path", "dispid", "kind", "args", "named", "outcome")

    def __init__(self, line):
        words = line.split(" ")
        if len(words) != 8:
            raise HarnessError("malformed call log line %r" % line)
        self.ns = int(words[0])
        self.type = words[1]
        self.path = dec(words[2])
        self.dispid = int(words[3]) if words[3].lstrip("-").isdigit() else words[3]
        self.kind = words[4]
        if self.dispid == "names":  # GetIDsOfNames: the names asked for
            self.args = [dec(a) for a in words[5].split(",")]
        else:
            self.args = [] if words[5] == "-" else [_typed(a) for a in words[5].split(",")]
        self.named = [] if words[6] == "-" else [int(n) for n in words[6].split(",")]
        self.outcome = words[7]

    @property
    def ok(self):
        return self.outcome.startswith("ok")

    def __repr__(self):
        return "%s %s %s %s %s %s" % (self.type, self.path, self.dispid, self.kind, self.args, self.outcome)


def _typed(text):
    """("I2", 1), ("BSTR", "Talk.ppt") or (type name, None)."""
    vt, _, value = text.partition(":")
    if vt in ("I2", "I4", "BOOL"):
        return (vt, int(value))
    if vt == "BSTR":
        return (vt, dec(value))
    return (vt, None)


class PptDouble:
    def __init__(self, session, name="pptdouble"):
        self.session = session
        self.folder = os.path.join(session.workdir, name)
        os.makedirs(self.folder, exist_ok=True)
        self.control_path = os.path.join(self.folder, "control.txt")
        self.replies_path = os.path.join(self.folder, "replies.txt")
        self.calls_path = os.path.join(self.folder, "calls.log")
        self.proc = None
        self.pid = None
        self.hwnd = None
        self._seq = 0
        self._out = None

    # -- registration and start

    def register(self):
        """Makes the ProgID start (or find) this double in the Session's prefix."""
        command = '"%s" --dir "%s"' % (harness.windows_path(pptdouble_exe()), harness.windows_path(self.folder))
        text = "\r\n".join([
            "Windows Registry Editor Version 5.00", "",
            r"[HKEY_CLASSES_ROOT\%s]" % PROG_ID, '@="Presentation double"', "",
            r"[HKEY_CLASSES_ROOT\%s\CLSID]" % PROG_ID, "@=%s" % _reg_string(CLSID), "",
            r"[HKEY_CLASSES_ROOT\CLSID\%s]" % CLSID, '@="Presentation double"', "",
            r"[HKEY_CLASSES_ROOT\CLSID\%s\LocalServer32]" % CLSID, "@=%s" % _reg_string(command), "",
            r"[HKEY_CLASSES_ROOT\CLSID\%s\ProgID]" % CLSID, "@=%s" % _reg_string(PROG_ID), ""])
        reg_file = os.path.join(self.folder, "register.reg")
        with open(reg_file, "w", encoding="utf-16") as f:
            f.write(text)
        code, output = harness.run_wine(self.session.env(), ["reg", "import", harness.windows_path(reg_file)])
        if code != 0:
            raise HarnessError("reg import of the double failed: %s" % output.decode(errors="replace"))

    def start(self, presentations=(), wait=True):
        """Starts pptdouble.exe with `presentations` ((name, [Slide...]) pairs) open."""
        script = self.prepare(presentations)
        self._launch()
        if wait:
            harness.started(self.proc, self._launch, self.reply_lines, self._output, "the double")
            self.wait_ready()
            for seq in script:
                self._reply(seq, 0)  # the script ran before "ready": each line must have worked
        return self

    def _launch(self):
        if self._out:
            self._out.close()  # a double started again after the last one quit
        self._out = open(os.path.join(self.folder, "pptdouble.out"), "wb")
        self.proc = subprocess.Popen(["wine", pptdouble_exe(), "--dir", harness.windows_path(self.folder)],
                                     env=self.session.env(), stdin=subprocess.DEVNULL, stdout=self._out,
                                     stderr=subprocess.STDOUT, preexec_fn=harness._die_with_parent)
        return self.proc

    def _output(self):
        with open(self._out.name, "rb") as f:
            return f.read()

    def prepare(self, presentations=()):
        """Writes the script (presentations to open) that a double runs at its
        start, whether a test or COM starts it; returns its sequence numbers."""
        lines = []
        for name, slides in presentations:
            lines.append(self._line("open", enc(name)))
            lines += [self._line("add-slide", enc(name), *slide.words()) for slide in slides]
        self._reset_files("".join(lines))
        return range(self._seq - len(lines) + 1, self._seq + 1)

    def _reset_files(self, script):
        for path in (self.replies_path, self.calls_path):
            if os.path.exists(path):
                os.remove(path)
        with open(self.control_path, "w", encoding="ascii", newline="\n") as f:
            f.write(script)

    def wait_ready(self, limit=harness.START_LIMIT):
        """Waits until a double accepts clients; returns (pid, main window)."""
        def ready():
            for line in self.reply_lines():
                if line.startswith("ready "):
                    return line.split()
                if line.startswith("failed "):
                    raise HarnessError("the double could not register its class: %s" % line)
            if self.proc is not None and self.proc.poll() is not None:
                raise HarnessError("the double exited with %d at its start" % self.proc.returncode)
            return None
        words = harness.wait_until(ready, limit, "the double to be ready")
        self.pid = int(words[1])
        self.hwnd = int(words[2], 16)
        return self.pid, self.hwnd

    # -- commands

    def command(self, *words, limit=harness.EVENT_LIMIT):
        """Sends one command (words already encoded); returns what follows "ok"."""
        line = self._line(*words)
        with open(self.control_path, "a", encoding="ascii", newline="\n") as f:
            f.write(line)
        return self._reply(self._seq, limit)

    def _line(self, *words):
        self._seq += 1
        return " ".join([str(self._seq)] + [str(w) for w in words]) + "\n"

    def _reply(self, seq, limit):
        prefix = "%d " % seq

        def find():
            for line in self.reply_lines():
                if line.startswith(prefix):
                    return line[len(prefix):]
            return None
        answer = find() if limit == 0 else harness.wait_until(find, limit, "the double's answer to command %d" % seq,
                                                                 poll=0.005)
        if answer is None:
            raise HarnessError("the double has not answered command %d" % seq)
        if answer.startswith("error"):
            raise HarnessError("the double refused command %d: %s" % (seq, dec(answer[6:])))
        return answer[3:] if answer.startswith("ok ") else ""

    def reply_lines(self):
        try:
            with open(self.replies_path, encoding="ascii") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        return data.split("\n")[:-1]  # the last piece may be a line still being written

    def open(self, name, slides=()):
        self.command("open", enc(name))
        self.set_slides(name, slides)

    def close(self, name):
        self.command("close", enc(name))

    def set_slides(self, name, slides):
        self.command("clear-slides", enc(name))
        for slide in slides:
            self.command("add-slide", enc(name), *slide.words())

    def set_slide(self, name, number, slide):
        self.command("set-slide", enc(name), number, *slide.words())

    def remove_slide(self, name, number):
        self.command("remove-slide", enc(name), number)

    def run(self, name):
        """Starts the show at the PC."""
        self.command("run", enc(name))

    def move(self, name, how, number=None):
        """Moves the show as the presenter at the PC would: next, previous,
        first, last, exit, or goto with a slide number."""
        self.command("show", enc(name), how, *([] if number is None else [number]))

    def busy(self, on):
        self.command("busy", "on" if on else "off")

    def end_screen(self, on):
        self.command("endscreen", "on" if on else "off")

    def fail(self, object_type, dispid):
        """Makes one member (e.g. "Slide", 2003) raise an automation exception."""
        self.command("fail", object_type, dispid)

    def heal(self):
        self.command("heal")

    def query(self, name):
        """The show of a presentation: running, position, pointer, slides, show."""
        return {key: int(value) for key, value in (w.split("=") for w in self.command("query", enc(name)).split())}

    def names(self):
        return [dec(w) for w in self.command("list").split()]

    def quit(self, limit=harness.EVENT_LIMIT):
        self.command("quit")
        if self.proc is not None:
            self.proc.wait(limit)

    # -- the call log

    def calls(self, start=0):
        """The calls received so far (from index `start`), oldest first."""
        try:
            with open(self.calls_path, encoding="ascii") as f:
                lines = f.read().split("\n")[:-1]
        except FileNotFoundError:
            return []
        return [Call(line) for line in lines[start:]]

    def wait_calls(self, condition, limit=harness.EVENT_LIMIT, what="calls to the double", start=0):
        """Polls the call log until condition(calls since `start`) is true; returns those calls."""
        def check():
            calls = self.calls(start)
            return calls if condition(calls) else None
        return harness.wait_until(check, limit, what)

    def mark(self):
        """An index for calls(start=...): only calls after this point. Counts
        whole lines without parsing them: logs of long runs have many."""
        try:
            with open(self.calls_path, "rb") as f:
                return f.read().count(b"\n")
        except FileNotFoundError:
            return 0

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            try:
                self.proc.wait(harness.TEARDOWN_LIMIT)
            except subprocess.TimeoutExpired:
                pass
        if self._out:
            self._out.close()
            self._out = None


def _reg_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


# ---------------------------------------------------------------- test client


class Client:
    """A running pptclient.exe (pptdouble/client.cpp): one line in, its answer out.
    Objects kept in $variables live until released or the client ends."""

    def __init__(self, session):
        self.session = session
        self.err = open(os.path.join(session.workdir, "pptclient.err"), "ab")
        self.proc = subprocess.Popen(["wine", pptclient_exe()], env=session.env(), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=self.err, preexec_fn=harness._die_with_parent)
        self._buffer = b""

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def call(self, line, limit=harness.EVENT_LIMIT + 30):
        """Sends one line; returns its one-line answer ("ok ..." or "fail ...")."""
        self._send(line)
        return self._read_line(limit)

    def connect(self):
        """Connects as the server does; returns the time it took in ms."""
        answer = self.call("connect")
        if not answer.startswith("ok "):
            raise HarnessError("the client could not connect: %s" % answer)
        return float(answer.split()[1])

    def windows(self, limit=harness.EVENT_LIMIT):
        """The double's windows as dicts: kind, hwnd, and the line's fields."""
        self._send("windows")
        lines = []
        while True:
            line = self._read_line(limit)
            if line == "end":
                return parse_windows(lines)
            lines.append(line)

    def _send(self, line):
        self.proc.stdin.write((line + "\n").encode("ascii"))
        self.proc.stdin.flush()

    def _read_line(self, limit):
        deadline = time.monotonic() + limit
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            readable, _, _ = select.select([self.proc.stdout], [], [], max(left, 0))
            chunk = os.read(self.proc.stdout.fileno(), 4096) if readable else b""
            if not chunk:
                raise HarnessError("pptclient gave no answer within %.0f s (exit code %s)" % (limit, self.proc.poll()))
            self._buffer += chunk
        line, _, self._buffer = self._buffer.partition(b"\n")
        return line.decode("utf-8", errors="replace").rstrip("\r")

    def close(self):
        """Ends the client: the end of its input lets it release its objects."""
        try:
            self.proc.stdin.close()
        except OSError:
            pass  # it is gone already
        try:
            self.proc.wait(harness.EVENT_LIMIT)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self.proc.stdout.close()
        self.err.close()


def parse_windows(lines):
    """The lines of the client's "windows" command as dicts (kind, hwnd, fields)."""
    windows = []
    for line in lines:
        words = line.split(" ")
        entry = {"kind": words[0], "hwnd": int(words[1], 16)}
        for word in words[2:]:
            key, _, value = word.partition("=")
            entry[key] = dec(value) if key == "title" else int(value, 0)
        windows.append(entry)
    return windows
