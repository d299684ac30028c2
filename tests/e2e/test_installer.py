"""The setup program under Wine: silent installs for the current user and for all users, the
installed server answering the phone, the log-on entry, refusal while the server runs, and
silent uninstalls that remove what setup made and keep what the user made."""

import filecmp
import os
import subprocess
import unittest

import harness
from test_protocol import connect

VERSION = "1.0.0"
PRODUCT = "Tarvo Quillant"
UNINSTALL_SUBKEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo Quillant"
RUN_KEY = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run"
RUN_VALUE = "Quillant"
MAIN_WINDOW_CLASS = "QuillantMainFrame"
# Exit codes of setup.exe and Uninstall.exe.
EXIT_OK, EXIT_REFUSED, EXIT_RUNNING = 0, 2, 3
PROGRAM_FILES = {"Quillant.exe", "Quillant.chm", "Uninstall.exe", "Profiles"}
SHORTCUTS = {"Tarvo Quillant.lnk", "Tarvo Quillant Help.lnk"}


def setup_exe():
    path = os.path.join(harness.windows_build(), "package", "Tarvo-Quillant-%s-setup.exe" % VERSION)
    if not os.path.isfile(path):
        raise harness.HarnessError("%s is missing: install nsis (bash scripts/setup.sh) and build the windows preset"
                                   % path)
    return path


def shipped_profiles():
    folder = os.path.join(harness.SOURCE_ROOT, "res", "Profiles")
    return sorted(f for f in os.listdir(folder) if f.lower().endswith(".ini"))


def listing(path):
    return set(os.listdir(path)) if os.path.isdir(path) else set()


class Installation:
    """Where one mode of setup puts things in a session's prefix."""

    def __init__(self, session, all_users):
        self.s = session
        user = session.windows_user()
        if all_users:
            self.win_dir = r"C:\Program Files\%s" % PRODUCT
            self.uninstall_key = "HKEY_LOCAL_MACHINE\\" + UNINSTALL_SUBKEY
            start_menu = r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs"
        else:
            self.win_dir = r"C:\users\%s\AppData\Local\Programs\%s" % (user, PRODUCT)
            self.uninstall_key = "HKEY_CURRENT_USER\\" + UNINSTALL_SUBKEY
            start_menu = r"C:\users\%s\AppData\Roaming\Microsoft\Windows\Start Menu\Programs" % user
        self.dir = session.unix_path(self.win_dir)
        self.start_menu = os.path.join(session.unix_path(start_menu), PRODUCT)
        self.exe = os.path.join(self.dir, "Quillant.exe")
        self.uninstaller = os.path.join(self.dir, "Uninstall.exe")
        self.run_entry = '"%s\\Quillant.exe" /NOSPLASH' % self.win_dir

    def setup(self, *args):
        return self.s.run_program(setup_exe(), args, log_name="setup.log")

    def uninstall_in_place(self):
        """Uninstall.exe /S, waiting for its end. Left alone, an NSIS uninstaller copies itself
        to the temp folder, starts the copy and returns at once; _?=<folder> makes it run where
        it is instead (and leave itself behind). It must be the last argument, unquoted: Wine
        quotes an argument with blanks, so the folder goes in as words of its own."""
        args = ["/S"] + ("_?=" + self.win_dir).split(" ")
        return self.s.run_program(self.uninstaller, args, log_name="uninstall.log")

    def uninstall_key_value(self, name):
        return self.s.reg_query(name, key=self.uninstall_key)

    def run_value(self):
        return self.s.reg_query(RUN_VALUE, key=RUN_KEY)


class InstallerTest(harness.ServerTestCase):
    def assert_installed(self, inst):
        self.assertEqual(listing(inst.dir), PROGRAM_FILES)
        self.assertEqual(sorted(listing(os.path.join(inst.dir, "Profiles"))), shipped_profiles())
        build = harness.windows_build()
        for name in ("Quillant.exe", "Quillant.chm"):
            self.assertTrue(filecmp.cmp(os.path.join(build, name), os.path.join(inst.dir, name), shallow=False), name)
        self.assertEqual(listing(inst.start_menu), SHORTCUTS)

        quoted_uninstaller = '"%s\\Uninstall.exe"' % inst.win_dir
        expected = [
            ("DisplayName", PRODUCT),
            ("DisplayVersion", VERSION),
            ("Publisher", "Tarvo"),
            ("DisplayIcon", '"%s\\Quillant.exe",0' % inst.win_dir),
            ("InstallLocation", inst.win_dir),
            ("UninstallString", quoted_uninstaller),
            ("QuietUninstallString", quoted_uninstaller + " /S"),
            ("NoModify", "0x1"),
            ("NoRepair", "0x1"),
        ]
        for name, value in expected:
            with self.subTest(value=name):
                self.assertEqual(inst.uninstall_key_value(name), value)
        size_kib = int(inst.uninstall_key_value("EstimatedSize") or "0", 16)
        actual = sum(os.path.getsize(os.path.join(root, f)) for root, _, files in os.walk(inst.dir) for f in files)
        self.assertLess(abs(size_kib - actual / 1024), 16, "EstimatedSize %d KiB, files %d bytes" % (size_kib, actual))

    def assert_uninstalled(self, inst, left=(), left_profiles=()):
        """Everything of setup is gone but `left` in the folder and `left_profiles` in Profiles."""
        expected = set(left) | ({"Profiles"} if left_profiles else set())
        self.assertEqual(listing(inst.dir), expected)
        self.assertEqual(listing(os.path.join(inst.dir, "Profiles")), set(left_profiles))
        self.assertFalse(os.path.exists(inst.start_menu), "Start-menu folder left behind")
        self.assertIsNone(inst.uninstall_key_value("DisplayName"), "Uninstall key left behind")
        self.assertIsNone(inst.run_value(), "Run entry left behind")

    def wait_server_gone(self, s):
        code, lines = s.wintool("waitgone", "--class", MAIN_WINDOW_CLASS, "--timeout", int(harness.EVENT_LIMIT * 1000))
        self.assertEqual(code, 0, "the server's window stayed: %s" % lines)

    def test_per_user_install_serves_the_phone_and_uninstalls_cleanly(self):
        with self.server(start=False) as s:
            inst = Installation(s, all_users=False)
            self.assertEqual(inst.setup("/S", "/CurrentUser", "/LOGON=1"), EXIT_OK)
            self.assert_installed(inst)
            self.assertEqual(inst.run_value(), inst.run_entry)
            self.assertIsNone(s.reg_query("DisplayName", key="HKEY_LOCAL_MACHINE\\" + UNINSTALL_SUBKEY))

            # The installed copy is the one that runs and answers the phone.
            s.installed_exe = inst.exe
            s.start_server()
            connect(self, s.phone())

            # While it runs, neither setup nor the uninstaller touches anything.
            with open(os.path.join(inst.dir, "Profiles", shipped_profiles()[0]), "rb") as f:
                profile_before = f.read()
            self.assertEqual(inst.setup("/S", "/LOGON=0"), EXIT_RUNNING)
            self.assertEqual(inst.uninstall_in_place(), EXIT_RUNNING)
            self.assert_installed(inst)
            self.assertEqual(inst.run_value(), inst.run_entry)
            with open(os.path.join(inst.dir, "Profiles", shipped_profiles()[0]), "rb") as f:
                self.assertEqual(f.read(), profile_before)
            s.assert_responsive()

            s.server.close()
            self.wait_server_gone(s)

            # A profile of the user's own and a shipped one the user changed stay; the rest goes.
            s.write_profile("My Player.ini", harness.profile_text("My Player", [("Up", "KEY(up)")], executable="my.exe"))
            changed = shipped_profiles()[-1]
            with open(os.path.join(inst.dir, "Profiles", changed), "ab") as f:
                f.write(b"5=KEY(space)\r\n")
            self.assertEqual(inst.uninstall_in_place(), EXIT_OK)
            # Run in place, the uninstaller cannot remove itself.
            self.assert_uninstalled(inst, left={"Uninstall.exe"}, left_profiles={"My Player.ini", changed})
            # The user's settings are kept by a silent uninstall.
            self.assertEqual(s.reg_query("Serial Port"), "COM5")

    def test_per_machine_install_and_the_uninstall_that_apps_and_features_runs(self):
        with self.server(start=False) as s:
            inst = Installation(s, all_users=True)
            self.assertEqual(inst.setup("/S", "/AllUsers"), EXIT_OK)
            self.assert_installed(inst)
            self.assertIsNone(s.reg_query("DisplayName", key="HKEY_CURRENT_USER\\" + UNINSTALL_SUBKEY))
            # Start at log-on is off unless asked for.
            self.assertIsNone(inst.run_value())

            s.installed_exe = inst.exe
            s.start_server()
            connect(self, s.phone())
            s.server.close()
            self.wait_server_gone(s)

            # QuietUninstallString: the uninstaller hands over to a copy of itself and returns at
            # once; the copy's last step removes the folder.
            self.assertEqual(s.run_program(inst.uninstaller, ["/S"], log_name="uninstall.log"), EXIT_OK)
            harness.wait_until(lambda: not os.path.exists(inst.dir), harness.START_LIMIT, "the install folder to go")
            self.assert_uninstalled(inst)

    def test_uninstall_asks_before_removing_the_users_profiles_and_settings(self):
        with self.server(start=False) as s:
            inst = Installation(s, all_users=False)
            self.assertEqual(inst.setup("/S"), EXIT_OK)
            s.installed_exe = inst.exe
            s.write_profile("Mine.ini", harness.profile_text("Mine", [("Up", "KEY(up)")], executable="mine.exe"))

            args = ("_?=" + inst.win_dir).split(" ")
            with open(os.path.join(s.workdir, "uninstall.log"), "ab") as log:
                proc = subprocess.Popen(["wine", inst.uninstaller] + args, env=s.env(), stdin=subprocess.DEVNULL,
                                        stdout=log, stderr=log)
            try:
                limit = int(harness.EVENT_LIMIT * 1000)
                # One window at a time: the uninstaller's own (MUI titles it with a trailing
                # blank, so no title filter), then its questions.
                wizard = ["--class", "#32770", "--visible"]
                for button, filters in [
                    ("IDOK", wizard),                                        # "Uninstall" on the first page
                    ("IDYES", wizard + ["--text", "Remove them too?"]),  # the user's profiles: remove
                    ("IDNO", wizard + ["--text", "settings too"]),       # the settings: keep
                ]:
                    code, lines = s.wintool("press", button, *filters, "--timeout", limit)
                    self.assertEqual(code, 0, "could not press %s on %s: %s\n%s" % (button, filters, lines,
                                                                                   "\n".join(s.windows())))
                code, lines = s.wintool("wait", *wizard, "--text", "Completed", "--timeout", limit)
                self.assertEqual(code, 0, "the uninstaller did not complete: %s" % "\n".join(s.windows()))
                s.wintool("press", "IDOK", *wizard, "--timeout", limit)  # Close
                self.assertEqual(proc.wait(harness.START_LIMIT), EXIT_OK)
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
            self.assert_uninstalled(inst, left={"Uninstall.exe"})
            self.assertEqual(s.reg_query("Serial Port"), "COM5")

    def test_log_on_entry_follows_the_option_and_otherwise_stays_as_it_was(self):
        with self.server(start=False) as s:
            inst = Installation(s, all_users=False)
            elsewhere = r'"C:\Quillant\Quillant.exe" /NOSPLASH'
            s.set_string(RUN_VALUE, elsewhere, key=RUN_KEY)
            steps = [
                # (options, exit code, Run value after)
                ((), EXIT_OK, inst.run_entry),          # an existing entry now starts this copy
                (("/LOGON=0",), EXIT_OK, None),
                ((), EXIT_OK, None),                    # none made without the option
                (("/LOGON=1",), EXIT_OK, inst.run_entry),
                ((), EXIT_OK, inst.run_entry),          # kept on reinstall
                (("/LOGON=yes",), EXIT_REFUSED, inst.run_entry),
            ]
            for options, code, run_value in steps:
                with self.subTest(options=options):
                    self.assertEqual(inst.setup("/S", *options), code)
                    self.assertEqual(inst.run_value(), run_value)
            self.assert_installed(inst)


if __name__ == "__main__":
    unittest.main()
