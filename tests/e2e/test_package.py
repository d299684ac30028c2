"""The release package without Wine: the portable zip's layout and content, its writer's
refusals and repeatability, and the setup program's machine type."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

import harness
import test_installer

MAKE_ZIP = os.path.join(harness.SOURCE_ROOT, "installer", "make_zip.py")
PROFILES = os.path.join(harness.SOURCE_ROOT, "res", "Profiles")
TOP = "Tarvo Quillant/"


def make_zip(*args):
    return subprocess.run([sys.executable, MAKE_ZIP] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=60)


class PortableZipTest(unittest.TestCase):
    def test_built_zip_holds_the_program_help_readme_page_and_shipped_profiles_in_order(self):
        build = harness.windows_build()
        path = os.path.join(build, "package", "Tarvo-Quillant-%s-portable.zip" % test_installer.VERSION)
        sources = [("Quillant.exe", os.path.join(build, "Quillant.exe")),
                   ("Quillant.chm", os.path.join(build, "Quillant.chm")),
                   ("README-Windows.txt", os.path.join(harness.SOURCE_ROOT, "installer", "README-Windows.txt"))]
        # The phone page, when it was built before the package.
        page = os.path.join(harness.SOURCE_ROOT, "web", "dist")
        if os.path.isdir(page):
            files = sorted(os.path.relpath(os.path.join(d, f), page).encode()
                           for d, _, names in os.walk(page) for f in names)
            sources += [("web/" + f.decode(), os.path.join(page, f.decode())) for f in files]
        sources += [("Profiles/" + name, os.path.join(PROFILES, name)) for name in test_installer.shipped_profiles()]
        with zipfile.ZipFile(path) as archive:
            self.assertIsNone(archive.testzip())
            self.assertEqual(archive.namelist(), [TOP + name for name, _ in sources])
            for name, source in sources:
                with open(source, "rb") as f:
                    self.assertEqual(archive.read(TOP + name), f.read(), name)

    def test_same_inputs_give_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            outputs = []
            for i in range(2):
                out = os.path.join(tmp, "%d.zip" % i)
                result = make_zip(out, "README-Windows.txt=" + os.path.join(harness.SOURCE_ROOT, "installer",
                                                                            "README-Windows.txt"),
                                  "--folder", "Profiles=" + PROFILES)
                self.assertEqual(result.returncode, 0, result.stdout)
                with open(out, "rb") as f:
                    outputs.append(f.read())
            self.assertEqual(outputs[0], outputs[1])

    def test_bad_arguments_are_refused_and_leave_no_archive(self):
        with tempfile.TemporaryDirectory() as tmp:
            empty = os.path.join(tmp, "empty")
            os.mkdir(empty)
            readme = os.path.join(harness.SOURCE_ROOT, "installer", "README-Windows.txt")
            cases = [
                ("no name", [readme]),
                ("missing file", ["a.txt=" + os.path.join(tmp, "absent.txt")]),
                ("same name twice, any case", ["a.txt=" + readme, "A.TXT=" + readme]),
                ("folder without profiles", ["a.txt=" + readme, "--folder", "Profiles=" + empty]),
            ]
            for what, args in cases:
                with self.subTest(what):
                    out = os.path.join(tmp, "out.zip")
                    result = make_zip(out, *args)
                    self.assertEqual(result.returncode, 1, result.stdout)
                    self.assertIn(b"make_zip:", result.stdout)
                    self.assertFalse(os.path.exists(out))
                    self.assertFalse(os.path.exists(out + ".new"))


class SetupProgramTest(unittest.TestCase):
    def test_setup_is_a_64_bit_windows_program(self):
        # Wine on these machines runs 64-bit programs only, and so the tests need this too.
        with open(test_installer.setup_exe(), "rb") as f:
            data = f.read(4096)
        self.assertEqual(data[:2], b"MZ")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        self.assertEqual(data[pe:pe + 4], b"PE\0\0")
        self.assertEqual(struct.unpack_from("<H", data, pe + 4)[0], 0x8664)


if __name__ == "__main__":
    unittest.main()
