#!/usr/bin/env python3
"""Checks a compiled Quillant.chm: every context id that the configuration window's controls
carry has a pop-up text in the file's cshelp.txt, and every topic that the contents, the index
and the topics link to is inside the file.

  check_help.py Quillant.chm res/resource.h

Prints one line per problem and exits 1 when there is any. Needs chmls (package fp-utils).
"""

import os
import re
import subprocess
import sys
import tempfile

POPUP_FILE = "cshelp.txt"

# (context id name) or (dialog name, control name): the controls that carry context help.
# A page control's id is 0x80000000 + 0x10000 x dialog + control.
CONTEXT_CONTROLS = [
    "IDH_SHEET_OK", "IDH_SHEET_CANCEL", "IDH_SHEET_TABS",
    ("IDD_CONFIG_APPLICATIONS", "IDC_PROFILE_LIST"),
    ("IDD_CONFIG_APPLICATIONS", "IDC_PROFILE_REFRESH"),
    ("IDD_CONFIG_APPLICATIONS", "IDC_PROFILE_NEW"),
    ("IDD_CONFIG_APPLICATIONS", "IDC_PROFILE_EDIT"),
    ("IDD_CONFIG_APPLICATIONS", "IDC_PROFILE_DELETE"),
    ("IDD_CONFIG_PREFERENCES", "IDC_PORT_LIST"),
    ("IDD_CONFIG_PREFERENCES", "IDC_START_AT_LOGON"),
    ("IDD_CONFIG_PREFERENCES", "IDC_DISABLE_SCREENSAVER"),
    ("IDD_CONFIG_PREFERENCES", "IDC_MOUSE_SPEED"),
]


class HelpCheckError(Exception):
    pass


def resource_defines(text):
    """Numeric #define values of a resource header, by name."""
    values = {}
    for name, value in re.findall(r"^\s*#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\b", text, re.MULTILINE):
        values[name] = int(value, 0)
    return values


def required_context_ids(resource_h_text):
    """{name: id} of every control that must have context help."""
    defines = resource_defines(resource_h_text)
    ids = {}
    for entry in CONTEXT_CONTROLS:
        names = entry if isinstance(entry, tuple) else (entry,)
        missing = [n for n in names if n not in defines]
        if missing:
            raise HelpCheckError("resource header lacks %s" % ", ".join(missing))
        if isinstance(entry, tuple):
            dialog, control = (defines[n] for n in entry)
            ids["%s/%s" % entry] = 0x80000000 + 0x10000 * dialog + control
        else:
            ids[entry] = defines[entry]
    return ids


def parse_popups(text):
    """Returns ({id: text}, problems) for a text pop-up file of ".topic <number>" paragraphs."""
    popups = {}
    problems = []
    current = None
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith(".topic"):
            word = line[len(".topic"):].strip()
            if not word.isdigit() or int(word) > 0xFFFFFFFF:
                problems.append("%s line %d: %r is not a context id" % (POPUP_FILE, number, word))
                current = None
                continue
            current = int(word)
            if current in popups:
                problems.append("%s line %d: context id %d appears twice" % (POPUP_FILE, number, current))
            popups[current] = ""
        elif current is not None and line.strip():
            popups[current] = (popups[current] + " " + line.strip()).strip()
    return popups, problems


def missing_popups(required, popups):
    return ["no pop-up text for %s (context id %d)" % (name, cid)
            for name, cid in sorted(required.items(), key=lambda item: item[1])
            if not popups.get(cid)]


def broken_links(pages, files):
    """Links of {page name: html text} (and of the contents and index) that lead to no file."""
    lower = {f.lower() for f in files}
    problems = []
    for page, html in sorted(pages.items()):
        targets = re.findall(r'(?:href|value)\s*=\s*"([^"#:]+\.(?:htm|html|css))(?:#[^"]*)?"', html, re.IGNORECASE)
        for target in sorted(set(targets)):
            if target.lower() not in lower:
                problems.append("%s links to %s, which is not in the help file" % (page, target))
    return problems


def extract_chm(chm, folder):
    """Unpacks the chm into folder; returns the names of its files (without the leading slash)."""
    if not os.path.isfile(chm):
        raise HelpCheckError("%s was not made" % chm)
    proc = subprocess.run(["chmls", "extractall", chm, folder], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if proc.returncode != 0:
        raise HelpCheckError("chmls could not read %s: %s" % (chm, proc.stdout.decode(errors="replace")))
    names = []
    for root, _, files in os.walk(folder):
        for name in files:
            names.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return names


def check(chm, resource_h):
    """Every problem of the compiled help file, as lines of text."""
    with open(resource_h, encoding="utf-8") as f:
        required = required_context_ids(f.read())
    with tempfile.TemporaryDirectory(prefix="quillant-chm-") as folder:
        names = extract_chm(chm, folder)
        if POPUP_FILE not in names:
            return ["%s holds no %s" % (chm, POPUP_FILE)]
        with open(os.path.join(folder, POPUP_FILE), encoding="ascii", errors="replace") as f:
            popups, problems = parse_popups(f.read())
        problems += missing_popups(required, popups)
        pages = {}
        for name in names:
            if name.lower().endswith((".htm", ".html", ".hhc", ".hhk")):
                with open(os.path.join(folder, name), encoding="latin-1") as f:
                    pages[name] = f.read()
        problems += broken_links(pages, names)
    return problems


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        problems = check(argv[1], argv[2])
    except HelpCheckError as exc:
        problems = [str(exc)]
    for problem in problems:
        print("help check: %s" % problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
