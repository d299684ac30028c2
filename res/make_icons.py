#!/usr/bin/env python3
"""Draws the program and tray-state icons and writes them as .ico files (32-bit with alpha).

Run from anywhere: python3 res/make_icons.py. Standard library only, so the icons can be
rebuilt on any machine; the results are committed beside this script.

The state icons share one phone silhouette and differ by a badge in the lower right corner,
so the three states can be told apart at 16x16 and without colour: a slashed circle
(port unavailable), a hollow ring (waiting for the phone), a solid dot with a tick (connected).
"""
import math
import os
import struct

SAMPLES = 4  # supersampling per axis, for smooth edges


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def bar(x0, y0, x1, y1, width):
    """A thick line segment."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def arc(cx, cy, r, width, a0, a1):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        a = math.degrees(math.atan2(cy - y, x - cx))
        return a0 <= a <= a1
    return inside


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0.0)] * size for _ in range(size)]

    def fill(self, shape, rgb, scale):
        """Paints shape (in 16-unit design coordinates) with colour rgb, anti-aliased."""
        n = self.size
        for j in range(n):
            for i in range(n):
                hits = 0
                for sj in range(SAMPLES):
                    for si in range(SAMPLES):
                        x = (i + (si + 0.5) / SAMPLES) / scale
                        y = (j + (sj + 0.5) / SAMPLES) / scale
                        hits += shape(x, y)
                if hits:
                    a = hits / (SAMPLES * SAMPLES)
                    r0, g0, b0, a0 = self.px[j][i]
                    out = a + a0 * (1 - a)
                    mix = lambda c, c0: (c * a + c0 * a0 * (1 - a)) / out
                    self.px[j][i] = (mix(rgb[0], r0), mix(rgb[1], g0), mix(rgb[2], b0), out)

    def dib(self):
        """BITMAPINFOHEADER + bottom-up BGRA pixels + AND mask, as an icon image."""
        n = self.size
        header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytearray()
        for j in reversed(range(n)):
            for i in range(n):
                r, g, b, a = self.px[j][i]
                pixels += bytes((round(b), round(g), round(r), round(a * 255)))
        row = ((n + 31) // 32) * 4
        mask = bytearray()
        for j in reversed(range(n)):
            bits = bytearray(row)
            for i in range(n):
                if self.px[j][i][3] < 0.5:
                    bits[i // 8] |= 0x80 >> (i % 8)
            mask += bits
        return header + bytes(pixels) + bytes(mask)


def write_ico(path, canvases):
    images = [c.dib() for c in canvases]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        dim = c.size if c.size < 256 else 0
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


INK = (32, 48, 72)
SCREEN = (150, 200, 240)
GREY_INK = (120, 120, 120)
GREY_SCREEN = (200, 200, 200)
RED = (210, 40, 40)
AMBER = (235, 160, 20)
GREEN = (40, 160, 60)
WHITE = (255, 255, 255)


def phone(c, scale, ink, screen):
    c.fill(rounded_rect(2.5, 0.5, 10.5, 15.5, 1.8), ink, scale)
    c.fill(rounded_rect(3.8, 2.2, 9.2, 9.5, 0.5), screen, scale)
    for k in range(3):
        c.fill(circle(4.8 + 1.7 * k, 11.6, 0.55), screen, scale)
        c.fill(circle(4.8 + 1.7 * k, 13.6, 0.55), screen, scale)


def state_icon(kind, size=16):
    c = Canvas(size)
    scale = size / 16
    if kind == 'unavailable':
        phone(c, scale, GREY_INK, GREY_SCREEN)
        c.fill(circle(11.5, 11.5, 4.4), WHITE, scale)
        c.fill(ring(11.5, 11.5, 4.0, 2.6), RED, scale)
        c.fill(bar(9.0, 14.0, 14.0, 9.0, 1.5), RED, scale)
    elif kind == 'waiting':
        phone(c, scale, INK, SCREEN)
        c.fill(circle(11.5, 11.5, 4.4), WHITE, scale)
        c.fill(ring(11.5, 11.5, 4.0, 2.4), AMBER, scale)
    else:
        phone(c, scale, INK, SCREEN)
        c.fill(circle(11.5, 11.5, 4.4), WHITE, scale)
        c.fill(circle(11.5, 11.5, 3.6), GREEN, scale)
        c.fill(bar(9.6, 11.6, 11.0, 13.0, 1.3), WHITE, scale)
        c.fill(bar(11.0, 13.0, 13.5, 10.0, 1.3), WHITE, scale)
    return c


def program_icon(size):
    c = Canvas(size)
    scale = size / 16
    phone(c, scale, INK, SCREEN)
    for r in (3.0, 5.0):
        c.fill(arc(10.5, 5.5, r, 1.1, -50, 50), GREEN, scale)
    return c


# The tray shows the system's small-icon size for the display's scaling (16 px at 100 %, 20 at
# 125 %, 24 at 150 %, 32 at 200 %); 48 is the large icon at 150 %. Each size is drawn, not scaled.
SIZES = (16, 20, 24, 32, 48)


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'icons')
    os.makedirs(here, exist_ok=True)
    for kind in ('unavailable', 'waiting', 'connected'):
        write_ico(os.path.join(here, 'state-%s.ico' % kind), [state_icon(kind, s) for s in SIZES])
    write_ico(os.path.join(here, 'quillant.ico'), [program_icon(s) for s in SIZES])


if __name__ == '__main__':
    main()
