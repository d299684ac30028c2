#!/usr/bin/env python3
"""Draws the page's app icons (static/icons/*.png) with the program icon's own art from
res/make_icons.py: the phone with its signal arcs. Standard library only; the results are
committed beside the page's other static files.

    python3 web/make_icons.py
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "res"))
import make_icons as art  # noqa: E402

PLATE = (238, 243, 248)


class PlacedCanvas(art.Canvas):
    """A canvas that draws the 16-unit art into a square of `span` pixels at `offset`."""

    def __init__(self, size, span, offset):
        super().__init__(size)
        self.span = span
        self.offset = offset

    def fill(self, shape, rgb, scale):
        unit = self.span / 16
        super().fill(lambda x, y: shape((x - self.offset) / unit, (y - self.offset) / unit), rgb, 1)


def png(canvas):
    rows = bytearray()
    for row in canvas.px:
        rows.append(0)
        for r, g, b, a in row:
            rows += bytes((round(r), round(g), round(b), round(a * 255)))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", canvas.size, canvas.size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")


def icon(size, maskable):
    # A maskable icon may be cut to a circle: the art keeps to the middle 60 % on a plate.
    span = size * (0.6 if maskable else 1.0)
    canvas = PlacedCanvas(size, span, (size - span) / 2)
    if maskable:
        canvas.px = [[PLATE + (1.0,)] * size for _ in range(size)]
    art.phone(canvas, 1, art.INK, art.SCREEN)
    for r in (3.0, 5.0):
        canvas.fill(art.arc(10.5, 5.5, r, 1.1, -50, 50), art.GREEN, 1)
    return canvas


def main():
    out = os.path.join(HERE, "static", "icons")
    os.makedirs(out, exist_ok=True)
    art.SAMPLES = 2  # large icons need less supersampling for smooth edges
    for name, size, maskable in (("icon-192.png", 192, False), ("icon-512.png", 512, False),
                                 ("icon-maskable-512.png", 512, True)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png(icon(size, maskable)))


if __name__ == "__main__":
    main()
