"""The application list as the phone sees it while windows come and go: every
visible top-level window a profile recognises, one pop-up window per profile,
and a refresh every 3 s that is sent only when the list changed."""

import os
import unittest

import harness
from harness import phonesim as ps
from test_protocol import connect

TARGET_CLASS = "QuillantTarget"
REFRESH = 3.0
# Long enough for two refreshes: one could fall just before a change, the next not.
TWO_REFRESHES = 2 * REFRESH + 0.5
# A change must show within one refresh; the rest is slack for a busy machine.
CHANGE_LIMIT = REFRESH + harness.EVENT_LIMIT


def entry(hwnd):
    return {"app_id": hwnd, "app_type": ps.APP_TYPE_PROFILE, "active": False, "name": "Target"}


class AppListTest(harness.ServerTestCase):
    def expect_list(self, windows, what):
        """The next message must be a list of exactly these windows."""
        entries = self.phone.expect_list(CHANGE_LIMIT)
        self.assertEqual(sorted(entries, key=lambda e: e["app_id"]), [entry(w) for w in sorted(windows)], what)

    def assert_nothing_sent(self, what):
        self.assertEqual([m.describe() for m in self.phone.quiet(TWO_REFRESHES)], [], what)

    def test_list_follows_windows_opening_and_closing_and_refresh_sends_only_changes(self):
        with self.server(start=False) as s:
            s.write_profile("Target.ini", harness.profile_text("Target", [("1", "KEY(A)")], class_name=TARGET_CLASS))
            s.start_server()
            self.phone = s.phone()
            connect(self, self.phone)
            self.assertEqual(self.phone.request_list(), [])
            self.assert_nothing_sent("refresh with nothing to offer")

            target = s.start_target(class_name=TARGET_CLASS)
            self.expect_list([target.hwnd], "the target opened")
            self.assert_nothing_sent("refresh with the list unchanged")

            def opened(kind, count):
                def windows(events):
                    return [e.hwnd for e in events if e.name == "window" and e.fields[0] == kind]
                events = target.wait_events(lambda ev: len(windows(ev)) >= count, what="%d %s windows" % (count, kind))
                return windows(events)[count - 1]

            # A second top-level window of the same application is a second entry.
            target.post(target.OPEN_WINDOW)
            extra = opened("extra", 1)
            self.expect_list([target.hwnd, extra], "a second window opened")

            # Only the first pop-up window of a profile in window order is offered: a
            # newer one, opened on top, takes the older one's place.
            target.post(target.OPEN_POPUP)
            popup = opened("popup", 1)
            self.expect_list([target.hwnd, extra, popup], "a pop-up window opened")
            target.post(target.OPEN_POPUP)
            newer = opened("popup", 2)
            self.expect_list([target.hwnd, extra, newer], "a second pop-up window opened on top")
            self.assert_nothing_sent("refresh with the list unchanged")

            # The phone's own request is answered with the whole list, changed or not.
            self.assertEqual(sorted(e["app_id"] for e in self.phone.request_list()), sorted([target.hwnd, extra, newer]))

            # The selected window stays selected while it is offered; the lists that
            # follow a rebuild report it inactive.
            self.assertEqual(self.phone.select(extra), (extra, "Target"))

            # Windows close newest first: the offered pop-up, leaving the older one
            # offered; that one; the second window; then the whole program.
            target.post(target.CLOSE_EXTRA)
            self.expect_list([target.hwnd, extra, popup], "the newer pop-up window closed")
            target.post(target.CLOSE_EXTRA)
            self.expect_list([target.hwnd, extra], "the older pop-up window closed")
            target.post(target.CLOSE_EXTRA)
            self.expect_list([target.hwnd], "the second window closed")
            target.post(target.EXIT)
            self.expect_list([], "the target exited")
            self.assertEqual(self.phone.sync_barrier(), [])

    def test_a_window_is_recognised_by_its_program_file(self):
        with self.server(start=False) as s:
            # The file name is compared in any case; a profile of another file matches nothing.
            s.write_profile("ByFile.ini", harness.profile_text("ByFile", [("1", "KEY(A)")], executable="TARGET.exe"))
            s.write_profile("Other.ini", harness.profile_text("Other", [("1", "KEY(A)")], executable="other.exe"))
            target = s.start_target(class_name=TARGET_CLASS)
            s.start_server()
            self.phone = s.phone()
            connect(self, self.phone)
            self.assertEqual([(e["app_id"], e["name"]) for e in self.phone.request_list()], [(target.hwnd, "ByFile")])

    def test_user_profiles_in_utf8_without_a_mark_and_in_the_code_page_reach_the_phone_exactly(self):
        with self.server(start=False) as s:
            # As Notepad saves today: UTF-8 without a byte-order mark, in the user's folder.
            title = "\u0414\u043e\u043a\u043b\u0430\u0434"  # a Cyrillic word
            text = harness.profile_text("Pr\u00e4sentation \u2013 " + title, [("1", "KEY(A)")], title=title)
            folder = s.unix_path("C:\\users\\%s\\AppData\\Roaming\\Tarvo Quillant\\Profiles" % s.windows_user())
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "Pr\u00e4sentation.ini"), "wb") as f:
                f.write(text.encode("utf-8"))
            # Not valid UTF-8: read in the system's code page (Windows-1252 here).
            with open(os.path.join(folder, "Cafe.ini"), "wb") as f:
                f.write(harness.profile_text("Caf\u00e9", [("1", "KEY(A)")], title="Caf\u00e9").encode("cp1252"))
            target = s.start_target(class_name=TARGET_CLASS, title=title + " 1")
            cafe = s.start_target(name="cafe", class_name=TARGET_CLASS + "Cafe", title="Caf\u00e9")
            s.start_server()
            self.phone = s.phone()
            connect(self, self.phone)
            self.assertCountEqual([(e["app_id"], e["name"]) for e in self.phone.request_list()],
                                  [(target.hwnd, "Pr\u00e4sentation \u2013 " + title), (cafe.hwnd, "Caf\u00e9")])


if __name__ == "__main__":
    unittest.main()
