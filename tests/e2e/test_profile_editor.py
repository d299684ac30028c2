"""The profile editor, reached as a user reaches it: the configuration sheet's Applications
page opens it with New... or Edit. A profile made in it is written in the editor's exact file
layout into the user's profile folder, also when the program's folder cannot be written, is
offered to the phone and plays its keys into the application; a profile it refuses to save
leaves the folders as they were; an edited profile saved unchanged keeps its bytes."""

import contextlib
import os
import subprocess
import unittest

import harness
from harness import phonesim as ps
from test_protocol import connect

SHEET = ["--class", "#32770", "--title", harness.CONFIG_SHEET_TITLE, "--visible"]
EDITOR = ["--class", "#32770", "--title", "Application profile", "--visible"]
PSM_SETCURSEL = 0x465
HELP_WINDOW = ["--class", "HH Parent", "--title", "Tarvo Quillant Help", "--visible"]
PROFILE_LIST, NEW, EDIT = 1002, 1003, 1021
TARGET_CLASS = "QuillantTarget"

# Controls of the editor.
NAME, IDENTIFICATION, ID_VALUE, BEHAVIOUR, TRUE, HELP = 1015, 1034, 1129, 1036, 1127, 1041
KEY_TYPE, KEY, MOD1, MOD2, VALUE = 1125, 1035, 1176, 1177, 1213
PHONE_1, PHONE_STAR, PHONE_HASH = 1042, 1051, 1054

# Editor key order (0 to 9, RIGHT, LEFT, UP, DOWN, BUTTON, STAR, HASH) and file line order.
EDITOR_KEYS = [str(d) for d in range(10)] + ["RIGHT", "LEFT", "UP", "DOWN", "BUTTON", "STAR", "HASH"]
FILE_KEYS = ["RIGHT", "LEFT", "UP", "DOWN", "BUTTON"] + [str(d) for d in range(1, 10)] + ["STAR", "0", "HASH"]

CTRL, VK_A, VK_C = 0x11, 0x41, 0x43


def editor_file(name, mappings, class_name="", executable="", title="", auto_restore=False, bring_to_top=False):
    """The bytes the editor writes. mappings: phone key name -> (value, key index, key type,
    first modifier, second modifier)."""
    lines = ["[Application]", 'Name="%s"' % name, 'Executable="%s"' % executable, 'Title="%s"' % title,
             "AutoRestore=" + ("true" if auto_restore else "false"),
             "BringToTop=" + ("true" if bring_to_top else "false"),
             'ClassName="%s"' % class_name, "[KeyMapping]"]
    lines += ["%s=%s" % (key, mappings.get(key, ("",))[0]) for key in FILE_KEYS]
    chosen = [mappings.get(key, ("", 0, 0, 0, 0))[1:] for key in EDITOR_KEYS]
    record = ("".join("%02d" % c[0] for c in chosen) + "".join("%d" % c[1] for c in chosen)
              + "".join("%02d" % c[2] for c in chosen) + "".join("%d" % c[3] for c in chosen))
    assert len(record) == 102
    return ("\r\n".join(lines) + "\r\n#" + record).encode("ascii")


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def user_profiles_folder(s):
    """The user's profile folder as the server names it."""
    return "C:\\users\\%s\\AppData\\Roaming\\Tarvo Quillant\\Profiles\\" % s.windows_user()


def user_profiles_dir(s):
    return s.unix_path(user_profiles_folder(s))


@contextlib.contextmanager
def unwritable(*paths):
    """The paths made immutable, as a folder under Program Files is for a standard user (the
    tests run as root, whom permission bits do not stop)."""
    subprocess.run(["chattr", "+i"] + list(paths), check=True)
    try:
        yield
    finally:
        subprocess.run(["chattr", "-i"] + list(paths), check=True)


class ProfileEditorTest(harness.ServerTestCase):
    # -- driving the sheet and the editor

    def tool(self, s, window, *args):
        code, lines = s.wintool(*args, *window, "--timeout", int(harness.EVENT_LIMIT * 1000))
        self.assertEqual(code, 0, "wintool %s: %s" % (" ".join(str(a) for a in args), lines))
        return lines

    def text(self, s, control):
        lines = self.tool(s, EDITOR, "ctltext", control)
        return lines[0] if lines else ""

    def wait_text(self, s, control, wanted):
        """Clicks and choices reach the editor as posted messages: the controls show their
        outcome a moment later."""
        harness.wait_until(lambda: self.text(s, control) == wanted, harness.EVENT_LIMIT,
                           "control %d showing %r (it shows %r)" % (control, wanted, self.text(s, control)), poll=0.2)

    def shown(self, s, control):
        return [line[1:] for line in self.tool(s, EDITOR, "items", control) if line.startswith("*")]

    def applications_page(self, s):
        s.wait_window(*SHEET, limit=harness.START_LIMIT)
        self.tool(s, SHEET, "post", hex(PSM_SETCURSEL), 1, 0)

    def profile_names(self, s):
        return [line[5:] for line in self.tool(s, SHEET, "items", PROFILE_LIST)]

    def open_editor(self, s, button, entry=None):
        if entry is not None:
            self.tool(s, SHEET, "select", PROFILE_LIST, self.profile_names(s).index(entry))
        self.tool(s, SHEET, "click", button)
        s.wait_window(*EDITOR)

    def save_editor(self, s):
        self.tool(s, EDITOR, "press", "IDOK")
        self.assertEqual(s.wintool("waitgone", *EDITOR, "--timeout", int(harness.EVENT_LIMIT * 1000))[0], 0,
                         "the editor stayed open after Save")

    def choose(self, s, control, text):
        self.tool(s, EDITOR, "select", control, "=" + text)

    def folder(self, s):
        """Every file of the program's and the user's profile folders with its bytes."""
        files = {}
        for folder in (s.profiles_dir(), user_profiles_dir(s)):
            if os.path.isdir(folder):
                files.update({os.path.join(folder, n): read_bytes(os.path.join(folder, n)) for n in os.listdir(folder)})
        return files

    def stray_files(self, s):
        return [name for name in os.listdir(user_profiles_dir(s)) if not name.endswith(".ini")]

    # -- tests

    def test_new_profile_is_written_offered_to_the_phone_and_played(self):
        with self.server(start=False, configure=None) as s:
            target = s.start_target(class_name=TARGET_CLASS)
            s.start_server()
            self.applications_page(s)
            self.open_editor(s, NEW)
            s.screenshot("profile-editor-new")

            self.tool(s, EDITOR, "settext", NAME, "Editor Target")
            self.choose(s, IDENTIFICATION, "Window class name")
            self.wait_text(s, 1204, "Identifies the application by its window class name, but usually it requires "
                                    "special tools to acquire this name. Type in the window class name (case sensitive):")
            self.tool(s, EDITOR, "settext", ID_VALUE, TARGET_CLASS)
            self.choose(s, BEHAVIOUR, "BringToTop")
            self.tool(s, EDITOR, "check", TRUE, 1)

            # Phone key 1 is the key being edited when the editor opens.
            self.assertEqual(self.tool(s, EDITOR, "state", PHONE_1), ["enabled=1 visible=1 checked=1"])
            self.choose(s, KEY, "a")
            self.wait_text(s, VALUE, "Key(a)")
            self.tool(s, EDITOR, "click", PHONE_HASH)
            self.wait_text(s, VALUE, "")
            self.assertEqual(self.tool(s, EDITOR, "state", PHONE_1), ["enabled=1 visible=1 checked=0"])
            self.assertEqual(self.tool(s, EDITOR, "state", PHONE_HASH), ["enabled=1 visible=1 checked=1"])
            self.choose(s, KEY, "c")
            self.choose(s, MOD1, "Control key")
            self.wait_text(s, VALUE, "Key(c,ctrl)")
            self.assertEqual(self.tool(s, EDITOR, "state", MOD2)[0].split()[0], "enabled=1")
            s.screenshot("profile-editor-filled")
            # The program's folder cannot be written, as under Program Files for a standard
            # user: the profile goes to the user's folder, which the save creates.
            program_files = self.folder(s)
            os.makedirs(s.profiles_dir(), exist_ok=True)
            with unwritable(os.path.dirname(s.profiles_dir()), s.profiles_dir()):
                self.save_editor(s)
            self.assertEqual({p: b for p, b in self.folder(s).items() if p.startswith(s.profiles_dir())}, program_files)

            written = editor_file("Editor Target", {"1": ("Key(a)", 1, 0, 0, 0), "HASH": ("Key(c,ctrl)", 3, 0, 3, 0)},
                                  class_name=TARGET_CLASS, bring_to_top=True)
            path = os.path.join(user_profiles_dir(s), "Editor Target.ini")
            self.assertEqual(read_bytes(path), written)
            self.assertEqual(self.stray_files(s), [], "temporary files left beside the profiles")
            harness.wait_until(lambda: "Editor Target" in self.profile_names(s), harness.EVENT_LIMIT,
                               "the new profile in the sheet's list")
            s.close_config_sheet("IDOK")

            phone = s.phone()
            connect(self, phone)
            self.assertEqual(phone.request_list(), [{"app_id": target.hwnd, "app_type": ps.APP_TYPE_PROFILE,
                                                     "active": False, "name": "Editor Target"}])
            self.assertEqual(phone.select(target.hwnd), (target.hwnd, "Editor Target"))
            before = len(target.keys())
            for key in ("1", "Hash"):
                phone.send(ps.encode_key(ps.KEY_PRESSED, ps.key_code(key)))
                phone.send(ps.encode_key(ps.KEY_RELEASED, ps.key_code(key)))
            expected = [("down", VK_A, "-"), ("up", VK_A, "-"),
                        ("down", CTRL, "C"), ("down", VK_C, "C"), ("up", VK_C, "C"), ("up", CTRL, "-")]
            target.wait_events(lambda ev: len(target.keys()) >= before + len(expected), what="the mapped keys")
            self.assertEqual([(k.replace("sys", ""), vk, m) for k, vk, m in target.keys()[before:]], expected)

    def test_help_and_refused_saves_keep_the_editor_open_and_write_nothing(self):
        with self.server(start=False, configure=None) as s:
            s.write_profile("Target.ini", editor_file("Target", {}, class_name=TARGET_CLASS).decode("ascii"))
            s.start_server()
            self.applications_page(s)
            before = self.folder(s)
            self.open_editor(s, NEW)

            # Help opens the help file and leaves the editor as it was.
            self.tool(s, EDITOR, "click", HELP)
            s.wait_window(*HELP_WINDOW, limit=harness.START_LIMIT)
            self.assertEqual(s.wintool("find", *EDITOR)[0], 0, "the editor closed")

            invalid = " contains an invalid path."
            cases = [
                ("", TARGET_CLASS, "You must enter a name for the profile."),
                ("Nameless", "", "You must enter the executable of the application, or a window title, or a class name"),
                ("a:b", TARGET_CLASS, user_profiles_folder(s) + "a:b.ini" + invalid),
                ("con", TARGET_CLASS, user_profiles_folder(s) + "con.ini" + invalid),
                ("Target", TARGET_CLASS,
                 "Profile with that name already exists. Please use\na different name or delete existing profile first."),
            ]
            for name, executable, message in cases:
                with self.subTest(name=name, executable=executable):
                    self.tool(s, EDITOR, "settext", NAME, name)
                    self.tool(s, EDITOR, "settext", ID_VALUE, executable)
                    self.tool(s, EDITOR, "press", "IDOK")
                    first_line = message.split("\n")[0]
                    self.assertEqual(s.message_box(first_line), message)
                    s.press("IDOK", first_line)
                    self.assertEqual(s.wintool("find", *EDITOR)[0], 0, "the editor closed")
                    self.assertEqual(self.folder(s), before)

            # A failed write: a file stands where the user's folder belongs, so the profile
            # cannot be made; nothing is left behind once it is gone.
            blocker = user_profiles_dir(s)
            os.makedirs(os.path.dirname(blocker), exist_ok=True)
            with open(blocker, "wb"):
                pass
            try:
                self.tool(s, EDITOR, "settext", NAME, "Fresh")
                self.tool(s, EDITOR, "press", "IDOK")
                message = "Access to " + user_profiles_folder(s) + "Fresh.ini was denied."
                self.assertEqual(s.message_box(message), message)
                s.press("IDOK", message)
            finally:
                os.remove(blocker)
            self.assertEqual(s.wintool("find", *EDITOR)[0], 0, "the editor closed")
            self.assertEqual(self.folder(s), before)

            # Exit while the editor is open ends the editor and the sheet as if cancelled.
            s.choose_tray_item("&Exit")
            s.message_box("Do you really want to exit Tarvo Quillant?")
            self.assertEqual(s.wintool("find", *EDITOR)[0], harness.NOT_FOUND, "the editor is still open")
            self.assertEqual(s.wintool("find", *SHEET)[0], harness.NOT_FOUND, "the sheet is still open")
            s.press("IDNO", "Do you really want to exit Tarvo Quillant?")
            s.assert_responsive()
            self.assertEqual(self.folder(s), before)

    def test_edit_shows_the_stored_choices_and_an_unchanged_save_keeps_the_bytes(self):
        mappings = {
            "1": ("Key(c,shift,alt)", 3, 0, 6, 4),
            "5": ("Key(F5)", 5, 4, 0, 0),
            "UP": ("Mouse(Up)", 3, 6, 0, 0),
            "STAR": ("Key(left,lctrl,lshift)", 1, 3, 4, 2),
        }
        stored = editor_file("Edited", mappings, executable="app.exe", auto_restore=True)
        with self.server(start=False, configure=None) as s:
            s.write_profile("Edited.ini", stored.decode("ascii"))
            s.write_profile("By hand.ini", harness.profile_text("By hand", [("1", "KEY(A)")], class_name="X"))
            s.start_server()
            self.applications_page(s)

            # A file without the editor's record cannot be edited.
            self.open_editor_refused(s, "By hand")

            self.open_editor(s, EDIT, entry="Edited")
            self.assertEqual(self.text(s, NAME), "Edited")
            self.assertEqual(self.shown(s, IDENTIFICATION), ["Executable"])
            self.assertEqual(self.text(s, ID_VALUE), "app.exe")
            self.assertEqual(self.text(s, VALUE), "Key(c,shift,alt)")
            self.assertEqual([self.shown(s, c) for c in (KEY_TYPE, KEY, MOD1, MOD2)],
                             [["Alphabetical keys"], ["c"], ["Shift key"], ["Alt key"]])
            # Another kind of identification cannot be typed while the executable is set.
            self.choose(s, IDENTIFICATION, "Window title")
            harness.wait_until(lambda: self.tool(s, EDITOR, "state", ID_VALUE)[0].startswith("enabled=0"),
                               harness.EVENT_LIMIT, "the title field disabled")
            self.choose(s, IDENTIFICATION, "Executable")

            self.tool(s, EDITOR, "click", PHONE_STAR)
            self.wait_text(s, VALUE, "Key(left,lctrl,lshift)")
            self.assertEqual([self.shown(s, c) for c in (KEY_TYPE, KEY, MOD1, MOD2)],
                             [["Arrow keys"], ["Left key"], ["Left control key"], ["Left shift key"]])
            s.screenshot("profile-editor-edit")
            self.save_editor(s)
            # The user's copy takes the program's profile's place; the program's file stays.
            self.assertEqual(read_bytes(os.path.join(user_profiles_dir(s), "Edited.ini")), stored)
            self.assertEqual(read_bytes(os.path.join(s.profiles_dir(), "Edited.ini")), stored)
            s.close_config_sheet("IDCANCEL")

    def open_editor_refused(self, s, entry):
        self.tool(s, SHEET, "select", PROFILE_LIST, self.profile_names(s).index(entry))
        self.tool(s, SHEET, "click", EDIT)
        self.assertEqual(s.message_box("File cannot be modified"), "File cannot be modified")
        s.press("IDOK", "File cannot be modified")
        self.assertEqual(s.wintool("find", *EDITOR)[0], harness.NOT_FOUND, "an editor opened on a file it cannot read back")


if __name__ == "__main__":
    unittest.main()
