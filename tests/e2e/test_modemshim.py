"""The modem-line shim on a bare pty, without Wine: it must answer the four
modem ioctls a pty rejects, and leave every other descriptor alone."""

import os
import subprocess
import sys
import errno
import termios as t
import textwrap
import unittest

import harness

PROBE = textwrap.dedent("""
    import fcntl, os, struct, tempfile, termios
    def lines(fd):
        return struct.unpack("i", fcntl.ioctl(fd, termios.TIOCMGET, struct.pack("i", 0)))[0]
    def change(fd, request, bits):
        fcntl.ioctl(fd, request, struct.pack("i", bits))
    master, slave = os.openpty()
    other_master, other = os.openpty()
    out = [lines(slave)]
    change(slave, termios.TIOCMBIS, termios.TIOCM_DTR | termios.TIOCM_RTS)
    out.append(lines(slave))
    out.append(lines(other))
    change(slave, termios.TIOCMBIC, termios.TIOCM_RTS)
    out.append(lines(slave))
    change(slave, termios.TIOCMSET, termios.TIOCM_RTS | termios.TIOCM_CTS)
    out.append(lines(slave))
    plain = tempfile.TemporaryFile()
    try:
        lines(plain.fileno())
        out.append("file answered")
    except OSError as exc:
        out.append(exc.errno)
    print(out)
""")


class ModemShimTest(unittest.TestCase):
    def test_pty_gets_modem_lines_and_files_keep_their_error(self):
        env = dict(os.environ, LD_PRELOAD=harness.modem_shim())
        result = subprocess.run([sys.executable, "-c", PROBE], env=env, capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        up = t.TIOCM_CTS | t.TIOCM_DSR | t.TIOCM_CAR
        want = [
            up,                                  # inputs asserted, DTR/RTS low
            up | t.TIOCM_DTR | t.TIOCM_RTS,      # raised
            up,                                  # another port keeps its own lines
            up | t.TIOCM_DTR,                    # RTS cleared
            up | t.TIOCM_RTS,                    # SET takes DTR/RTS only
            errno.ENOTTY,                        # not a terminal: the real error
        ]
        self.assertEqual(result.stdout.strip(), str(want))

    def test_without_the_shim_a_pty_rejects_modem_lines(self):
        # Guards the premise: if ptys ever support these, the shim is moot.
        result = subprocess.run([sys.executable, "-c", PROBE], capture_output=True, text=True, timeout=60)
        self.assertNotEqual(result.returncode, 0)


if __name__ == "__main__":
    unittest.main()
