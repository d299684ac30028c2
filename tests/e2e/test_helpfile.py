"""The compiled help file and its checker: no Wine needed.

The built Quillant.chm must carry a pop-up text for every context id the configuration window's
controls have and must hold every topic it links to; the checker that the build runs must notice
when either is not so."""

import os
import sys
import unittest

import harness
from harness import SOURCE_ROOT

sys.path.insert(0, os.path.join(SOURCE_ROOT, "help"))
import check_help  # noqa: E402

RESOURCE_H = os.path.join(SOURCE_ROOT, "res", "resource.h")

# The ids as the controls carry them: 1200-1202 on the sheet, 0x80000000 + 0x10000 x dialog +
# control on the pages (dialog 132 Applications, 133 Preferences).
EXPECTED_IDS = {1200, 1201, 1202,
                2156135402, 2156135405, 2156135403, 2156135421, 2156135404,
                2156200942, 2156200945, 2156200956, 2156200954}


def resource_text():
    with open(RESOURCE_H, encoding="utf-8") as f:
        return f.read()


class BuiltHelpFileTest(unittest.TestCase):
    def test_the_built_help_file_has_every_pop_up_and_every_linked_topic(self):
        chm = os.path.join(harness.windows_build(), "Quillant.chm")
        self.assertTrue(os.path.isfile(chm), "%s is missing: build the windows preset" % chm)
        self.assertEqual(check_help.check(chm, RESOURCE_H), [])

    def test_the_required_ids_follow_the_resource_header(self):
        self.assertEqual(set(check_help.required_context_ids(resource_text()).values()), EXPECTED_IDS)


class CheckerTest(unittest.TestCase):
    def test_pop_up_files_with_gaps_or_faults_are_reported(self):
        full = "".join(".topic %d\nText for %d.\n\n" % (i, i) for i in sorted(EXPECTED_IDS))
        required = check_help.required_context_ids(resource_text())
        cases = [
            ("complete", full, []),
            ("one id missing", full.replace(".topic 2156200956\n", ".topic 7\n"), ["2156200956"]),
            ("empty text", full.replace("Text for 1201.", ""), ["1201"]),
            ("text on several lines", full.replace("Text for 1200.", "Saves\nand closes."), []),
            ("id written twice", full + ".topic 1202\nAgain.\n", ["1202 appears twice"]),
            ("not a number", full + ".topic IDH_SHEET_OK\nText.\n", ["'IDH_SHEET_OK' is not a context id"]),
            ("beyond 32 bits", full + ".topic 4294967296\nText.\n", ["'4294967296' is not a context id"]),
        ]
        for name, text, expected in cases:
            with self.subTest(name):
                popups, problems = check_help.parse_popups(text)
                problems += check_help.missing_popups(required, popups)
                self.assertEqual(len(problems), len(expected), problems)
                for fragment, problem in zip(expected, problems):
                    self.assertIn(fragment, problem)

    def test_links_to_topics_that_are_not_in_the_file_are_reported(self):
        files = ["index.htm", "tray.htm", "style.css", "Quillant.hhc"]
        cases = [
            ("all there", {"index.htm": '<a href="tray.htm">x</a><link href="style.css">'}, []),
            ("anchor and case", {"index.htm": '<a href="Tray.htm#menu">x</a>'}, []),
            ("missing topic", {"index.htm": '<a href="gone.htm">x</a>'}, ["index.htm links to gone.htm"]),
            ("contents entry", {"Quillant.hhc": '<param name="Local" value="nothere.htm">'},
             ["Quillant.hhc links to nothere.htm"]),
            ("outside links are not topics", {"index.htm": '<a href="https://example.org/a.htm">x</a>'}, []),
        ]
        for name, pages, expected in cases:
            with self.subTest(name):
                problems = check_help.broken_links(pages, files)
                self.assertEqual(len(problems), len(expected), problems)
                for fragment, problem in zip(expected, problems):
                    self.assertIn(fragment, problem)

    def test_a_resource_header_without_a_needed_id_is_an_error(self):
        text = resource_text().replace("#define IDC_MOUSE_SPEED", "#define IDC_MOUSE_SPEED_GONE")
        with self.assertRaises(check_help.HelpCheckError):
            check_help.required_context_ids(text)

    def test_a_help_file_that_was_not_made_is_an_error(self):
        with self.assertRaises(check_help.HelpCheckError):
            check_help.check(os.path.join(SOURCE_ROOT, "build", "no-such-folder", "Quillant.chm"), RESOURCE_H)


if __name__ == "__main__":
    unittest.main()
