#!/usr/bin/env python3
"""Writes the portable zip: every file under one top folder, in a fixed order, with the files'
own time stamps, so the same inputs give the same archive.

    make_zip.py OUT.zip NAME=PATH ... [--folder NAME=DIR ...] [--top "Tarvo Quillant"]

NAME=PATH puts PATH into the archive as <top>/NAME; --folder NAME=DIR puts every *.ini of DIR
as <top>/NAME/<file>.
"""

import argparse
import os
import sys
import time
import zipfile


def entries(files, folders):
    """(archive name, path) pairs: the named files as given, then each folder's *.ini sorted."""
    result = []
    for item in files:
        name, sep, path = item.partition("=")
        if not sep or not name or not path:
            raise ValueError("expected NAME=PATH, got %r" % item)
        result.append((name, path))
    for item in folders:
        name, sep, folder = item.partition("=")
        if not sep or not name or not folder:
            raise ValueError("expected NAME=DIR, got %r" % item)
        inis = sorted(f for f in os.listdir(folder) if f.lower().endswith(".ini")
                      and os.path.isfile(os.path.join(folder, f)))
        if not inis:
            raise ValueError("no *.ini files in %s" % folder)
        result += [("%s/%s" % (name, f), os.path.join(folder, f)) for f in inis]
    names = [n.lower() for n, _ in result]
    if len(set(names)) != len(names):
        raise ValueError("an archive name occurs twice")
    return result


def write_zip(out, pairs, top):
    """Writes a temporary file and renames it: a failure leaves neither half an archive nor an
    old one that looks new."""
    temp = out + ".new"
    if os.path.exists(out):
        os.remove(out)
    try:
        with zipfile.ZipFile(temp, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
            for name, path in pairs:
                # Zip times start in 1980 and have no time zone: the file's UTC time, clamped.
                stamp = time.gmtime(max(os.path.getmtime(path), 315532800))[:6]
                info = zipfile.ZipInfo("%s/%s" % (top, name), date_time=stamp)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0o644 << 16
                with open(path, "rb") as f:
                    archive.writestr(info, f.read())
        os.replace(temp, out)
    except BaseException:
        if os.path.exists(temp):
            os.remove(temp)
        raise


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out")
    parser.add_argument("files", nargs="+", metavar="NAME=PATH")
    parser.add_argument("--folder", action="append", default=[], metavar="NAME=DIR")
    parser.add_argument("--top", default="Tarvo Quillant")
    args = parser.parse_args(argv)
    try:
        write_zip(args.out, entries(args.files, args.folder), args.top)
    except (OSError, ValueError) as exc:
        print("make_zip: %s" % exc, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
