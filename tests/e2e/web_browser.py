"""The phone page in Debian's headless Chromium, for the end-to-end tests: a Browser runs
web/test/e2e/driver.mjs (Playwright) and sends it one command at a time. Selectors are
Playwright's, e.g. 'role=button[name="Up"s]' for the key whose accessible name is exactly Up.
"""

import json
import os
import select
import subprocess
import time

import harness
from harness import HarnessError

WEB = os.path.join(harness.SOURCE_ROOT, "web")
DRIVER = os.path.join(WEB, "test", "e2e", "driver.mjs")
COMMAND_LIMIT = 60.0


def require_built_page():
    """The page's build and its test dependencies, or a clear word on how to get them."""
    missing = [p for p in (os.path.join(WEB, "dist", "index.html"), os.path.join(WEB, "node_modules", "playwright-core"))
               if not os.path.exists(p)]
    if missing:
        raise HarnessError("%s missing: run npm ci && npm run build in web/ (scripts/test-all.sh does)" % ", ".join(missing))


def key(name):
    """The selector of a button by its exact accessible name."""
    return 'role=button[name="%s"s]' % name


class Browser:
    def __init__(self, log_path):
        require_built_page()
        self.log = open(log_path, "ab")
        self.proc = subprocess.Popen(["node", DRIVER], cwd=WEB, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.log, preexec_fn=harness._die_with_parent)
        self.next_id = 0
        self.buffer = b""

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def call(self, cmd, limit=COMMAND_LIMIT, **args):
        self.next_id += 1
        line = json.dumps(dict(args, id=self.next_id, cmd=cmd)) + "\n"
        self.proc.stdin.write(line.encode())
        self.proc.stdin.flush()
        reply = json.loads(self._read_line(limit))
        if reply.get("id") != self.next_id:
            raise HarnessError("driver answered %r to command %d" % (reply, self.next_id))
        if not reply["ok"]:
            raise HarnessError("browser: %s failed: %s" % (cmd, reply["error"]))
        return reply["value"]

    def _read_line(self, limit):
        deadline = time.monotonic() + limit
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            readable, _, _ = select.select([self.proc.stdout], [], [], max(left, 0))
            if not readable:
                raise HarnessError("the browser driver did not answer within %.0f s" % limit)
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                raise HarnessError("the browser driver ended (exit %s); see %s" % (self.proc.wait(), self.log.name))
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode()

    # -- the commands

    def open(self, url, bridge=None, absent=False, scheme="light", width=360, height=640):
        self.call("open", url=url, bridge=bridge, absent=absent, scheme=scheme, width=width, height=height)

    def click(self, selector):
        self.call("click", selector=selector)

    def down(self, selector, x=0.5, y=0.5):
        self.call("down", selector=selector, x=x, y=y)

    def move(self, selector, x, y):
        self.call("move", selector=selector, x=x, y=y)

    def up(self):
        self.call("up")

    def text(self, selector):
        return self.call("text", selector=selector)

    def count(self, selector):
        return self.call("count", selector=selector)

    def wait(self, selector, text=None, limit=harness.EVENT_LIMIT):
        return self.call("wait", selector=selector, text=text, timeout=int(limit * 1000), limit=limit + 30)

    def eval(self, js):
        return self.call("eval", js=js)

    def screenshot(self, path):
        self.call("screenshot", path=path)

    def scheme(self, value):
        self.call("scheme", value=value)

    def viewport(self, width, height):
        self.call("viewport", width=width, height=height)

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b'{"id": 0, "cmd": "close"}\n')
                self.proc.stdin.close()
                self.proc.wait(30)
            except (OSError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()
        if not self.proc.stdin.closed:
            self.proc.stdin.close()
        self.proc.stdout.close()
        self.log.close()
