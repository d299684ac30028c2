"""Phone keys played into a real window: the target records every key message
it gets, and the exact keys, modifiers and order must match the profile."""

import unittest

import harness
from harness import phonesim as ps
from test_protocol import connect

TARGET_CLASS = "QuillantTarget"

SHIFT, CTRL, ALT, LWIN = 0x10, 0x11, 0x12, 0x5B
VK_A, VK_B = 0x41, 0x42


def down(vk, mods="-"):
    return ("down", vk, mods)


def up(vk, mods="-"):
    return ("up", vk, mods)


def plain(vk):
    return [down(vk), up(vk)]


# (phone key, mapping value, the key messages of a press and release).
# Modifiers are the state the window sees with each message (S C A W).
MAPPINGS = [
    ("1", "KEY(A)", plain(VK_A)),
    ("2", "key(tab,alt)", [down(ALT, "A"), down(0x09, "A"), up(0x09, "A"), up(ALT)]),
    # Modifiers go up in the order they went down, not reversed.
    ("3", "KEY(A,shift,ctrl,alt)",
     [down(SHIFT, "S"), down(CTRL, "SC"), down(ALT, "SCA"), down(VK_A, "SCA"),
      up(VK_A, "SCA"), up(SHIFT, "CA"), up(CTRL, "A"), up(ALT)]),
    ("4", "KEY(A,ctrl);KEY(B,ctrl)",
     [down(CTRL, "C"), down(VK_A, "C"), down(CTRL, "C"), down(VK_B, "C"),
      up(VK_A, "C"), up(CTRL), up(VK_B), up(CTRL)]),
    ("5", "KEY(F5,lwin)", [down(LWIN, "W"), down(0x74, "W"), up(0x74, "W"), up(LWIN)]),
    ("6", "KEY(A,Shift)", plain(VK_A)),  # modifier words are case-sensitive
    ("7", "KEY(A);KEY(B)", [down(VK_A), down(VK_B), up(VK_A), up(VK_B)]),
    ("8", "KEY(A); KEY(B)", plain(VK_A)),  # " KEY" is no command: skipped
    ("9", "KEY(NUM_5)", plain(0x35)),
    ("0", "KEY(46)", plain(0x2E)),
    ("Star", "KEY(PERIOD)", plain(0xBE)),
    ("Hash", "KEY(CLEAR)", plain(0x2E)),
    ("Up", "KEY(A);", plain(VK_A)),  # fails at the empty item, keeps A
    ("Down", "KEY(FOO)", []),
    ("Clear", "KEY(A,shift,ctrl,alt,win)", []),  # five arguments: nothing
]
SENTINEL = "1"


def keys_profile():
    return harness.profile_text("Target", [(key, value) for key, value, _ in MAPPINGS], class_name=TARGET_CLASS)


def normalised(keys):
    # Whether a key comes as a system key message (Alt held) is the platform's choice.
    return [(kind.replace("sys", ""), vk, mods) for kind, vk, mods in keys]


# (phone key, mapping value, its keys as (vk, scan code, extended bit)): a press sends them down
# in order, a release up in the same order, as a keyboard sends them. Scan codes are those of the
# US layout that the test prefix types with.
SCAN_MAPPINGS = [
    ("1", "KEY(A)", [(VK_A, 0x1E, 0)]),
    ("2", "KEY(LEFT);KEY(UP);KEY(RIGHT);KEY(DOWN)",
     [(0x25, 0x4B, 1), (0x26, 0x48, 1), (0x27, 0x4D, 1), (0x28, 0x50, 1)]),
    # The two Enter keys send one virtual key; only the keypad's is extended.
    ("3", "KEY(PAD_ENTER);KEY(RETURN)", [(0x0D, 0x1C, 1), (0x0D, 0x1C, 0)]),
    ("4", "KEY(DIVIDE);KEY(46);KEY(RCONTROL)", [(0x6F, 0x35, 1), (0x2E, 0x53, 1), (CTRL, 0x1D, 1)]),
]


class KeyPathTest(harness.ServerTestCase):
    def start(self, s, profile=None):
        s.write_profile("Target.ini", profile or keys_profile())
        target = s.start_target(class_name=TARGET_CLASS)
        s.start_server()
        self.phone = s.phone()
        connect(self, self.phone)
        entries = self.phone.request_list()
        self.assertEqual(entries, [{"app_id": target.hwnd, "app_type": ps.APP_TYPE_PROFILE, "active": False,
                                    "name": "Target"}])
        self.assertEqual(self.phone.select(target.hwnd), (target.hwnd, "Target"))
        return target

    def play_and_collect(self, target, messages, expected, one_write):
        """Sends the messages and returns the key messages the target got for
        them, once as many as expected have come (the sentinel press that ends
        `messages` is among them, so anything played in error shows as a difference)."""
        before = len(target.keys())
        if one_write:
            self.phone.send(b"".join(messages))
        else:
            for message in messages:
                self.phone.send(message)
        target.wait_events(lambda ev: len(target.keys()) >= before + len(expected), what="%d keys" % len(expected))
        return normalised(target.keys()[before:])

    def test_mappings_play_their_exact_keys_modifiers_and_order(self):
        with self.server(start=False) as s:
            target = self.start(s)
            messages, expected = [], []
            # Unmapped keys, and kinds other than press and release, play nothing; the
            # sentinel behind them shows they were handled before it.
            for code, kind in ((ps.key_code("Menu"), 0), (ps.key_code("Menu"), 1), (ps.key_code("1"), 2)):
                messages.append(ps.encode_key(kind, code))
            for key, _, keys in MAPPINGS:
                messages += [ps.encode_key(ps.KEY_PRESSED, ps.key_code(key)),
                             ps.encode_key(ps.KEY_RELEASED, ps.key_code(key))]
                expected += keys
            messages += [ps.encode_key(ps.KEY_PRESSED, ps.key_code(SENTINEL)),
                         ps.encode_key(ps.KEY_RELEASED, ps.key_code(SENTINEL))]
            expected += plain(VK_A)
            for one_write in (False, True):
                with self.subTest(one_write=one_write):
                    self.assertEqual(self.play_and_collect(target, messages, expected, one_write), expected)

            # A held key keeps its modifiers down until it is released, whatever
            # other keys the phone presses meanwhile.
            held = [("3", ps.KEY_PRESSED), ("1", ps.KEY_PRESSED), ("1", ps.KEY_RELEASED), ("3", ps.KEY_RELEASED),
                    (SENTINEL, ps.KEY_PRESSED), (SENTINEL, ps.KEY_RELEASED)]
            expected = ([down(SHIFT, "S"), down(CTRL, "SC"), down(ALT, "SCA"), down(VK_A, "SCA")]
                        + [down(VK_A, "SCA"), up(VK_A, "SCA")]
                        + [up(VK_A, "SCA"), up(SHIFT, "CA"), up(CTRL, "A"), up(ALT)]
                        + plain(VK_A))
            with self.subTest("held"):
                self.assertEqual(self.play_and_collect(
                    target, [ps.encode_key(kind, ps.key_code(key)) for key, kind in held], expected, False), expected)

            # Every key went to the target's own window, and the link stayed in sync.
            self.assertEqual({e.hwnd for e in target.named("key")}, {target.hwnd})
            self.assertEqual(self.phone.sync_barrier(), [])

    def test_keys_carry_their_scan_code_and_extended_flag(self):
        profile = harness.profile_text("Target", [(key, value) for key, value, _ in SCAN_MAPPINGS],
                                       class_name=TARGET_CLASS)
        with self.server(start=False) as s:
            target = self.start(s, profile)
            messages, expected = [], []
            for key, _, keys in SCAN_MAPPINGS:
                messages += [ps.encode_key(ps.KEY_PRESSED, ps.key_code(key)),
                             ps.encode_key(ps.KEY_RELEASED, ps.key_code(key))]
                expected += [(kind,) + k for kind in ("down", "up") for k in keys]
            self.phone.send(b"".join(messages))
            target.wait_events(lambda ev: len(target.named("key")) >= len(expected), what="%d keys" % len(expected))
            got = [(e.fields[0].replace("sys", ""), int(e.fields[1], 16), int(e.fields[3], 16), int(e.fields[4]))
                   for e in target.named("key")]
            self.assertEqual(got, expected)


if __name__ == "__main__":
    unittest.main()
