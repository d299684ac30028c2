"""The tray menu's Help: the HTML Help window opens on the program's own help file, and a
missing help file is reported. QUILLANT_E2E_SCREENSHOTS=<folder> keeps a screenshot of the window."""

import os
import shutil
import unittest

import harness
from test_tray import CONFIRM, choose_exit

HELP_WINDOW = ["--class", "HH Parent", "--title", "Tarvo Quillant Help", "--visible"]
HELP_FAILED = "Failed to launch help."
# System libraries the server loads at run time: help, process lists. (version.dll, which the
# About box loads, cannot be planted here: Wine's own user32 imports it at process start.)
PLANTED = ("hhctrl.ocx", "psapi.dll")
# Wine prefers its own built-in libraries; told to prefer files, it takes one beside the
# program exactly where Windows would.
OVERRIDES_KEY = r"HKEY_CURRENT_USER\Software\Wine\AppDefaults\Quillant.exe\DllOverrides"


def help_windows(session):
    code, lines = session.wintool("count", *HELP_WINDOW)
    if code != 0 or not lines:
        raise harness.HarnessError("wintool count failed (%d %s)" % (code, lines))
    return int(lines[0])


class TrayHelpTest(harness.ServerTestCase):
    def test_help_opens_the_help_file_at_its_contents_once_and_exit_closes_it(self):
        with self.server() as s:
            s.choose_tray_item("&Help...")
            # The title comes from the help file itself, so this is our file in the viewer.
            s.wait_window(*HELP_WINDOW, limit=harness.START_LIMIT)
            s.screenshot("help-contents")
            self.assertEqual(s.count_message_boxes(), 0)
            s.assert_responsive()

            s.choose_tray_item("&Help...")
            s.assert_responsive()
            self.assertEqual(help_windows(s), 1, "a second Help opened another help window")

            # Exit with help open: the help window goes and the program ends cleanly.
            choose_exit(s)
            s.press("IDYES", CONFIRM)
            self.assertEqual(s.server.wait_exit(harness.EVENT_LIMIT), 0)
            self.assertEqual(help_windows(s), 0)

    def test_without_the_help_file_help_says_it_failed_and_the_server_goes_on(self):
        with self.server(start=False) as s:
            os.remove(os.path.join(os.path.dirname(s.installed_exe), "Quillant.chm"))
            s.start_server()
            s.choose_tray_item("&Help...")
            self.assertIn(HELP_FAILED, s.message_box(HELP_FAILED))
            s.press("IDOK", HELP_FAILED)
            self.assertTrue(s.server.alive())
            s.assert_responsive()
            self.assertEqual(help_windows(s), 0)

    def test_libraries_planted_beside_the_program_are_never_loaded(self):
        with self.server(start=False) as s:
            folder = os.path.dirname(s.installed_exe)
            for name in PLANTED:
                shutil.copy(os.path.join(harness.windows_build(), "fakedll.dll"), os.path.join(folder, name))
                s.set_string(os.path.splitext(name)[0] if name.endswith(".dll") else name, "native,builtin",
                             key=OVERRIDES_KEY)
            s.start_server()
            s.choose_tray_item("&Help...")

            def loaded():
                return [n for n in PLANTED if os.path.exists(os.path.join(folder, n + ".loaded"))]
            harness.wait_until(lambda: loaded() or help_windows(s) > 0, harness.START_LIMIT,
                               "the help window, or a planted library loaded")
            self.assertEqual(loaded(), [])
            self.assertEqual(help_windows(s), 1)

if __name__ == "__main__":
    unittest.main()
