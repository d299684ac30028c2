#!/usr/bin/env python3
"""Fails, naming file and line, when a file under the source folder includes a header of a
folder that the folder's LAYERS file lists after the file's own folder, or lives in a folder
that LAYERS does not list. Usage: check_layers.py [source folder, src/ by default]"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_layers(path):
    layers = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                layers.append(line.split()[0])
    return layers


def folder_of(relative, layers):
    """The deepest listed folder that holds the path, or None."""
    best = None
    for layer in layers:
        if relative.startswith(layer + "/") and (best is None or len(layer) > len(best)):
            best = layer
    return best


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "src")
    source = os.path.normpath(source)
    layers = read_layers(os.path.join(source, "LAYERS"))
    rank = {layer: index for index, layer in enumerate(layers)}
    faults = []
    for root, dirs, files in os.walk(source):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, source).replace(os.sep, "/")
            own = folder_of(relative, layers)
            if own is None:
                faults.append(f"{path}:1: folder {os.path.dirname(relative)} is not listed in {source}/LAYERS")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    included = folder_of(match.group(1), layers)
                    if included is not None and rank[included] > rank[own]:
                        faults.append(f"{path}:{number}: {own} includes {match.group(1)}, "
                                      f"but {included} comes after {own} in LAYERS")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} fault(s) against the folder order")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
