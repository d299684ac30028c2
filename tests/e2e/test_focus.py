"""Bringing the controlled window to the front: at selection always, before each
key when the profile says BringToTop, restoring a minimised window only when it
says AutoRestore."""

import time
import unittest

import harness
from test_protocol import connect

MAPPING_A = [("1", "KEY(A)")]
MAPPING_B = [("1", "KEY(B)")]
KEY_A = [("down", 0x41, "-"), ("up", 0x41, "-")]
KEY_B = [("down", 0x42, "-"), ("up", 0x42, "-")]
# Time in which a window that is not going to change would have changed.
SETTLE = 0.5


class FocusTestCase(harness.ServerTestCase):
    def connect_phone(self, s, targets):
        s.start_server()
        self.phone = s.phone()
        connect(self, self.phone)
        offered = {entry["app_id"] for entry in self.phone.request_list()}
        self.assertEqual(offered, {t.hwnd for t in targets})

    def select(self, target, name):
        self.assertEqual(self.phone.select(target.hwnd), (target.hwnd, name))

    def wait_foreground(self, s, target):
        try:
            harness.wait_until(lambda: s.foreground() == target.hwnd, harness.EVENT_LIMIT,
                               "%s in front" % target.class_name, poll=0.05)
        except harness.HarnessError as exc:
            raise harness.HarnessError("%s; in front: 0x%x" % (exc, s.foreground() or 0)) from None

    def press(self, target, key, expected):
        """Presses a phone key and waits for `expected` keys in `target` after those it has."""
        before = len(target.keys())
        self.phone.key(key)
        target.wait_events(lambda ev: len(target.keys()) >= before + len(expected), what="keys in %s" % target.class_name)
        self.assertEqual(target.keys()[before:], expected)


class BringToFrontTest(FocusTestCase):
    def test_selection_and_keys_bring_the_window_in_front_of_another_one(self):
        with self.server(start=False) as s:
            s.write_profile("Front.ini", harness.profile_text("Front", MAPPING_A, class_name="QFront"))
            s.write_profile("Back.ini", harness.profile_text("Back", MAPPING_B, class_name="QBack", bring_to_top=False))
            front = s.start_target("front", "QFront", "Front")
            back = s.start_target("back", "QBack", "Back")
            # The cover opens last, on top of both, and matches no profile.
            cover = s.start_target("cover", "QCover", "Cover")
            self.wait_foreground(s, cover)
            self.connect_phone(s, [front, back])

            self.select(front, "Front")
            self.wait_foreground(s, front)

            # A key with no mapping leaves the cover in front.
            cover.post(cover.ACTIVATE)
            self.wait_foreground(s, cover)
            self.phone.key("Menu")
            self.phone.sync_barrier()
            self.assertEqual(s.foreground(), cover.hwnd)

            # A mapped key brings the window back; keys then arrive there. (Whether
            # the keys of that first press arrive whole is the next test's matter.)
            before = len(front.keys())
            self.phone.key("1")
            self.phone.sync_barrier()
            self.wait_foreground(s, front)
            front.wait_events(lambda ev: front.keys()[before:] and front.keys()[-1] == KEY_A[-1],
                              what="the release of the first key in Front")
            self.press(front, "1", KEY_A)

            # BringToTop false: the selection still brings the window once; a key
            # then goes wherever the keyboard is.
            self.select(back, "Back")
            self.wait_foreground(s, back)
            cover.post(cover.ACTIVATE)
            self.wait_foreground(s, cover)
            self.press(cover, "1", KEY_B)
            self.assertEqual(s.foreground(), cover.hwnd)
            self.assertEqual(back.keys(), [])
            self.assertEqual(self.phone.sync_barrier(), [])

    def test_the_keys_of_a_press_that_brings_its_window_forward_all_arrive(self):
        # The press that brings the window forward carries keys of its own: none
        # of them may be lost while the window takes the keyboard.
        mapping = [("1", "KEY(A)"), ("2", "KEY(A);KEY(B);KEY(C)"), ("3", "KEY(Z)")]
        sentinel = [("down", 0x5A, "-"), ("up", 0x5A, "-")]
        expected = {"1": KEY_A,
                    "2": [("down", vk, "-") for vk in (0x41, 0x42, 0x43)] + [("up", vk, "-") for vk in (0x41, 0x42, 0x43)]}
        with self.server(start=False) as s:
            s.write_profile("Front.ini", harness.profile_text("Front", mapping, class_name="QFront"))
            front = s.start_target("front", "QFront", "Front")
            cover = s.start_target("cover", "QCover", "Cover")
            self.connect_phone(s, [front])
            self.select(front, "Front")
            self.wait_foreground(s, front)
            for key in ("1", "2", "1", "2"):
                with self.subTest(key=key):
                    cover.post(cover.ACTIVATE)
                    self.wait_foreground(s, cover)
                    before = len(front.keys())
                    self.phone.key(key)
                    self.phone.sync_barrier()
                    self.wait_foreground(s, front)
                    # A sentinel press, played with the window already in front, comes
                    # after everything the first press played.
                    self.phone.key("3")
                    front.wait_events(lambda ev: front.keys()[-2:] == sentinel, what="the sentinel")
                    self.assertEqual(front.keys()[before:-2], expected[key])
            self.assertEqual(cover.keys(), [])


class RestoreTest(FocusTestCase):
    @staticmethod
    def sizes(target, since=0):
        return [e.fields[0] for e in target.events()[since:] if e.name == "size"]

    def test_a_minimised_window_is_restored_only_when_the_profile_says_auto_restore(self):
        with self.server(start=False) as s:
            s.write_profile("Restore.ini", harness.profile_text("Restore", MAPPING_A, class_name="QRestore",
                                                                auto_restore=True))
            s.write_profile("Keep.ini", harness.profile_text("Keep", MAPPING_A, class_name="QKeep",
                                                             auto_restore=False))
            restore = s.start_target("restore", "QRestore", "Restore", args=["--minimized"])
            keep = s.start_target("keep", "QKeep", "Keep", args=["--minimized"])
            self.connect_phone(s, [restore, keep])

            # AutoRestore false: made foreground at selection and at a key, never restored.
            mark = len(keep.events())
            self.select(keep, "Keep")
            self.wait_foreground(s, keep)
            self.phone.key("1")
            self.phone.sync_barrier()
            time.sleep(SETTLE)
            self.assertNotIn("restored", self.sizes(keep, mark))

            # AutoRestore true: restored at selection ...
            self.select(restore, "Restore")
            restore.wait_events(lambda ev: "restored" in self.sizes(restore), what="restored at selection")
            self.wait_foreground(s, restore)

            # ... and again before a key, which then arrives in it.
            restore.post(restore.MINIMIZE)
            restore.wait_events(lambda ev: self.sizes(restore)[-1] == "minimized", what="minimised again")
            mark = len(restore.events())
            self.press(restore, "1", KEY_A)
            later = [e.name if e.name != "size" else e.fields[0] for e in restore.events()[mark:]]
            self.assertLess(later.index("restored"), later.index("key"), later)
            self.assertEqual(self.phone.sync_barrier(), [])


if __name__ == "__main__":
    unittest.main()
