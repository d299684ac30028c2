"""The configuration sheet, driven from outside as a user would drive it: it opens at start
and from the tray, its Preferences change the port and the other settings, its Applications
page switches profiles off and deletes them, and Cancel changes nothing."""

import os
import re
import subprocess
import unittest

import harness
from test_profile_editor import user_profiles_dir
from test_protocol import SERVER_CLOSES, connect

SHEET = ["--class", "#32770", "--title", harness.CONFIG_SHEET_TITLE, "--visible"]
PSM_SETCURSEL = 0x465
WM_CLOSE = 0x0010
HELP_BUTTON = 9  # the sheet's Help button
RUN_KEY = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run"
TARGET_CLASS = "QuillantTarget"
CONFIRM_DELETE = "This will delete the selected profile permanently."
CONFIRM_EXIT = "Do you really want to exit Tarvo Quillant?"

# The ports the system lists (Wine fills it with the ports it finds itself, as COM1 for
# /dev/ttyS0, not with the ports a test maps). Volatile: it lives as long as the wineserver.
SERIAL_MAP = r"HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM"

# Controls of the two pages.
PORT_LIST, START_AT_LOGON, SCREENSAVER, MOUSE_SPEED = 1006, 1009, 1020, 1018
PROFILE_LIST, REFRESH, NEW, EDIT, DELETE = 1002, 1005, 1003, 1021, 1004


def string_list(hex_data):
    """The strings of a stored list (short counts and lengths only, which is all a test makes)."""
    data = bytes.fromhex(hex_data or "0000")
    count, at, out = int.from_bytes(data[0:2], "little"), 2, []
    for _ in range(count):
        assert data[at:at + 3] == b"\xff\xfe\xff", data.hex()
        length = data[at + 3]
        at += 4
        out.append(data[at:at + 2 * length].decode("utf-16-le"))
        at += 2 * length
    return out


def port_order(name):
    match = re.fullmatch(r"COM(\d+)", name, re.IGNORECASE)
    return (int(match.group(1)), "") if match else (1 << 32, name)


class ConfigSheetTest(harness.ServerTestCase):
    # -- the system's port list

    def list_ports(self, s, *names):
        """Puts the ports in the system's list, as their driver would, before the server starts;
        the wineserver is kept running so that the list stays."""
        subprocess.run(["wineserver", "-p"], env=s.env(), check=True, timeout=harness.START_LIMIT)
        for name in names:
            s.set_string("\\Device\\QuillantTest" + name, name, key=SERIAL_MAP)

    def offered_ports(self, s, stored):
        """What the Preferences page should offer: the system's ports and the stored one, by number."""
        text = harness.run_wine(s.env(), ["reg", "query", SERIAL_MAP])[1].decode("utf-8", errors="replace")
        ports = {m.group(1).upper() for m in re.finditer(r"REG_SZ\s+(\S+)", text)}
        return sorted(ports | {stored}, key=port_order)

    # -- driving the sheet

    def tool(self, s, *args):
        code, lines = s.wintool(*args, *SHEET, "--timeout", int(harness.EVENT_LIMIT * 1000))
        self.assertEqual(code, 0, "wintool %s: %s" % (" ".join(str(a) for a in args), lines))
        return lines

    def wait_sheet(self, s, limit=harness.START_LIMIT):
        s.wait_window(*SHEET, limit=limit)

    def show_page(self, s, index):
        self.tool(s, "post", hex(PSM_SETCURSEL), index, 0)

    def items(self, s, control):
        return self.tool(s, "items", control)

    def selected(self, s, control):
        return [line[1:] for line in self.items(s, control) if line.startswith("*")]

    def profile_entries(self, s):
        """(name, checked) of every entry of the profile list, in list order."""
        return [(line[5:], line[2] == "x") for line in self.items(s, PROFILE_LIST)]

    def open_from_tray(self, s):
        s.choose_tray_item("C&onfigure...")

    def count_sheets(self, s):
        code, lines = s.wintool("count", *SHEET)
        self.assertEqual(code, 0, lines)
        return int(lines[0])

    # -- tests

    def test_cancel_changes_nothing_and_keeps_the_phone(self):
        with self.server(start=False, configure=None) as s:
            self.list_ports(s, "COM7")
            s.start_server()
            phone = s.phone()
            self.wait_sheet(s)
            connect(self, phone)  # the link works while the sheet is open
            self.assertEqual(self.selected(s, PORT_LIST), ["COM5"])
            # The ports that exist, and COM5, which the system does not list, as it is stored.
            self.assertEqual([p[1:] for p in self.items(s, PORT_LIST)], self.offered_ports(s, "COM5"))
            self.assertEqual(self.tool(s, "items", MOUSE_SPEED), ["100 10 250"])
            self.assertEqual(self.tool(s, "state", START_AT_LOGON), ["enabled=1 visible=1 checked=0"])
            s.screenshot("config-preferences")

            self.tool(s, "select", PORT_LIST, "=COM7")
            self.tool(s, "select", MOUSE_SPEED, 200)
            self.tool(s, "check", START_AT_LOGON, 1)
            self.tool(s, "check", SCREENSAVER, 0)
            self.show_page(s, 1)
            entries = self.profile_entries(s)
            self.assertIn(("PowerPoint", True), entries)
            s.screenshot("config-applications")
            self.tool(s, "lvcheck", PROFILE_LIST, [e[0] for e in entries].index("PowerPoint"), 0)
            s.close_config_sheet("IDCANCEL")

            self.assertEqual(s.reg_query("Serial Port"), "COM5")
            self.assertIn(s.reg_query("Mouse Speed"), (None, "0x64"))
            self.assertIn(s.reg_query("Disable Screensaver"), (None, "0x1"))
            self.assertEqual(string_list(s.reg_query("Disabled Profiles")), [])
            self.assertIsNone(s.reg_query("Quillant", key=RUN_KEY))
            # No disconnect, still in step.
            self.assertEqual([m.describe() for m in phone.drain()], [])
            self.assertEqual(phone.sync_barrier(), [])

    def test_ok_stores_the_preferences_and_a_new_port_reopens_the_link(self):
        with self.server(start=False, configure=None) as s:
            # A port numbered above 99, as Bluetooth stacks give them.
            second_port = s.add_port("com120")
            self.list_ports(s, "COM120")
            s.start_server()
            phone = s.phone()
            self.wait_sheet(s)
            connect(self, phone)
            self.assertEqual([p[1:] for p in self.items(s, PORT_LIST)], self.offered_ports(s, "COM5"))
            self.tool(s, "select", PORT_LIST, "=COM120")
            self.tool(s, "select", MOUSE_SPEED, 230)
            self.tool(s, "check", START_AT_LOGON, 1)
            self.tool(s, "check", SCREENSAVER, 0)
            s.close_config_sheet("IDOK")

            # The phone on the old port is told the server closes; the new port answers.
            phone.expect(SERVER_CLOSES, harness.EVENT_LIMIT)
            connect(self, s.phone(path=second_port))
            self.assertEqual(s.reg_query("Serial Port"), "COM120")
            self.assertEqual(s.reg_query("Mouse Speed"), hex(230))
            self.assertEqual(s.reg_query("Disable Screensaver"), "0x0")
            # Quoted, so that a path with blanks cannot start another program.
            self.assertEqual(s.reg_query("Quillant", key=RUN_KEY), '"C:\\Quillant\\Quillant.exe" /NOSPLASH')

            # The page shows what was stored; clearing the box removes the entry.
            self.open_from_tray(s)
            self.wait_sheet(s, harness.EVENT_LIMIT)
            self.assertEqual(self.selected(s, PORT_LIST), ["COM120"])
            self.assertEqual(self.tool(s, "items", MOUSE_SPEED), ["230 10 250"])
            self.assertEqual(self.tool(s, "state", START_AT_LOGON), ["enabled=1 visible=1 checked=1"])
            self.tool(s, "check", START_AT_LOGON, 0)
            s.close_config_sheet("IDOK")
            self.assertIsNone(s.reg_query("Quillant", key=RUN_KEY))

    def test_a_port_outside_the_list_is_shown_and_kept(self):
        with self.server(start=False, configure=None) as s:
            s.set_string("Serial Port", "COM120")
            s.start_server()
            self.wait_sheet(s)
            self.assertEqual(self.selected(s, PORT_LIST), ["COM120"])
            self.assertEqual([p[1:] for p in self.items(s, PORT_LIST)], self.offered_ports(s, "COM120"))
            s.close_config_sheet("IDOK")
            self.assertEqual(s.reg_query("Serial Port"), "COM120")

    def test_unchecking_a_profile_stores_it_and_drops_its_application(self):
        with self.server(start=False) as s:
            s.write_profile("Target.ini", harness.profile_text("Target", [("1", "KEY(A)")], class_name=TARGET_CLASS))
            s.start_server()
            phone = s.phone()
            connect(self, phone)
            target = s.start_target(class_name=TARGET_CLASS)
            self.assertEqual([e["app_id"] for e in phone.request_list()], [target.hwnd])

            self.open_from_tray(s)
            self.wait_sheet(s, harness.EVENT_LIMIT)
            # A second Configure brings the open sheet forward and opens no other.
            self.open_from_tray(s)
            self.assertEqual(self.count_sheets(s), 1)
            self.show_page(s, 1)
            names = [name for name, _ in self.profile_entries(s)]
            self.tool(s, "lvcheck", PROFILE_LIST, names.index("Target"), 0)
            s.close_config_sheet("IDOK")

            path = "C:\\Quillant\\Profiles\\Target.ini"
            self.assertEqual(string_list(s.reg_query("Disabled Profiles")), [path])
            self.assertEqual(phone.expect_list(3.0 + harness.EVENT_LIMIT), [])

            # Back on: the application is offered again.
            self.open_from_tray(s)
            self.wait_sheet(s, harness.EVENT_LIMIT)
            self.show_page(s, 1)
            entries = self.profile_entries(s)
            self.assertIn(("Target", False), entries)
            self.tool(s, "lvcheck", PROFILE_LIST, [n for n, _ in entries].index("Target"), 1)
            s.close_config_sheet("IDOK")
            self.assertEqual([e["app_id"] for e in phone.expect_list(3.0 + harness.EVENT_LIMIT)], [target.hwnd])

    def test_delete_asks_first_removes_a_users_profile_and_switches_off_a_shipped_one(self):
        with self.server(start=False, configure=None) as s:
            s.write_profile("Target.ini", harness.profile_text("Target", [("1", "KEY(A)")], class_name=TARGET_CLASS))
            user_file = os.path.join(user_profiles_dir(s), "Mine.ini")
            os.makedirs(os.path.dirname(user_file), exist_ok=True)
            with open(user_file, "w", encoding="latin-1", newline="") as f:
                f.write(harness.profile_text("Mine", [("1", "KEY(B)")], class_name="MineClass"))
            s.start_server()
            self.wait_sheet(s)
            self.show_page(s, 1)
            names = [name for name, _ in self.profile_entries(s)]
            self.tool(s, "select", PROFILE_LIST, names.index("Target"))
            shipped_file = os.path.join(s.profiles_dir(), "Target.ini")

            self.tool(s, "click", DELETE)
            s.message_box(CONFIRM_DELETE)
            s.press("IDNO", CONFIRM_DELETE)
            self.assertIn(("Target", True), self.profile_entries(s))

            # The shipped profile's file stays; the profile is switched off and stored so at once.
            self.tool(s, "click", DELETE)
            s.message_box(CONFIRM_DELETE)
            s.press("IDYES", CONFIRM_DELETE)
            harness.wait_until(lambda: ("Target", False) in self.profile_entries(s), harness.EVENT_LIMIT,
                               "the shipped profile switched off")
            self.assertTrue(os.path.exists(shipped_file))
            self.assertEqual(string_list(s.reg_query("Disabled Profiles")), ["C:\\Quillant\\Profiles\\Target.ini"])

            # The user's own profile is removed.
            names = [name for name, _ in self.profile_entries(s)]
            self.tool(s, "select", PROFILE_LIST, names.index("Mine"))
            self.tool(s, "click", DELETE)
            s.message_box(CONFIRM_DELETE)
            s.press("IDYES", CONFIRM_DELETE)
            harness.wait_until(lambda: not os.path.exists(user_file), harness.EVENT_LIMIT, "the user's file removed")
            harness.wait_until(lambda: "Mine" not in [n for n, _ in self.profile_entries(s)], harness.EVENT_LIMIT,
                               "the entry removed from the list")
            s.close_config_sheet("IDCANCEL")

    def test_f1_and_the_help_button_open_the_help(self):
        with self.server(configure=None) as s:
            self.wait_sheet(s)
            help_window = ["--class", "HH Parent", "--title", "Tarvo Quillant Help", "--visible"]
            # F1 on the port list, which has the focus when the sheet opens.
            code, lines = s.wintool("inject", 0x70, 1, 20)
            self.assertEqual(code, 0, lines)
            s.wait_window(*help_window, limit=harness.START_LIMIT)
            s.wintool("post", *help_window, hex(WM_CLOSE), 0, 0)
            self.assertEqual(s.wintool("waitgone", *help_window, "--timeout", int(harness.EVENT_LIMIT * 1000))[0], 0)

            self.tool(s, "click", HELP_BUTTON)
            s.wait_window(*help_window, limit=harness.START_LIMIT)
            s.assert_responsive()

    def test_exit_while_the_sheet_is_open_closes_it_first(self):
        with self.server(configure=None) as s:
            self.wait_sheet(s)
            s.choose_tray_item("&Exit")
            s.message_box(CONFIRM_EXIT)
            self.assertEqual(self.count_sheets(s), 0)
            s.press("IDNO", CONFIRM_EXIT)
            self.assertTrue(s.server.alive())
            s.assert_responsive()


if __name__ == "__main__":
    unittest.main()
