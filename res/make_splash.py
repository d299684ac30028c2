#!/usr/bin/env python3
"""Draws the splash picture and writes it as res/splash.bmp (398 x 414, 24 bits per pixel).

Run from anywhere: python3 res/make_splash.py. Standard library only, like make_icons.py; the
result is committed beside this script.

Everything is drawn from signed distances, so edges are anti-aliased without supersampling:
a shape covers a pixel by how far the pixel's centre lies inside its outline. The lettering is
a small monoline stroke font (segments and arcs drawn with a round pen), which keeps the text
crisp at any size without a font file.
"""
import math
import os
import struct

WIDTH, HEIGHT = 398, 414

# The colours of the program icon, so that the splash and the tray read as one product.
INK = (32, 48, 72)
SCREEN_TOP = (178, 215, 244)
SCREEN_BOTTOM = (138, 190, 234)
KEY = (70, 88, 114)
GREEN = (40, 160, 60)
SUBTITLE = (96, 110, 130)
BACKGROUND_TOP = (252, 253, 255)
BACKGROUND_BOTTOM = (224, 232, 242)
FRAME = (150, 163, 181)


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Picture:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.px = [[(0.0, 0.0, 0.0)] * width for _ in range(height)]

    def vertical_gradient(self, top, bottom):
        for j in range(self.height):
            colour = mix(top, bottom, j / (self.height - 1))
            self.px[j] = [colour] * self.width

    def paint(self, box, coverage, colour):
        """Blends colour into every pixel of box (x0, y0, x1, y1) by coverage(x, y) in 0..1,
        taken at the pixel's centre. colour may be a function of (x, y)."""
        x0, y0, x1, y1 = box
        for j in range(max(0, int(y0) - 1), min(self.height, int(math.ceil(y1)) + 2)):
            row = self.px[j]
            for i in range(max(0, int(x0) - 1), min(self.width, int(math.ceil(x1)) + 2)):
                a = coverage(i + 0.5, j + 0.5)
                if a > 0.0:
                    c = colour(i + 0.5, j + 0.5) if callable(colour) else colour
                    row[i] = mix(row[i], c, a)

    def bmp(self):
        """A bottom-up 24-bit BMP. A 4 x 4 ordered dither keeps the gradients free of bands."""
        bayer = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))
        stride = (self.width * 3 + 3) & ~3
        data = bytearray()
        for j in reversed(range(self.height)):
            row = bytearray()
            for i, (r, g, b) in enumerate(self.px[j]):
                d = (bayer[j % 4][i % 4] + 0.5) / 16 - 0.5
                row += bytes(int(clamp(round(c + d), 0, 255)) for c in (b, g, r))
            row += bytes(stride - len(row))
            data += row
        info = struct.pack('<IiiHHIIiiII', 40, self.width, self.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0, 14 + len(info))
        return header + info + bytes(data)


# ---------------------------------------------------------------- distances

def rounded_box_distance(x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle: negative inside."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return distance


def fill(distance):
    return lambda x, y: clamp(0.5 - distance(x, y))


def segment_distance(x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def distance(x, y):
        t = clamp(((x - x0) * dx + (y - y0) * dy) / length2)
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy))
    return distance


def arc_distance(cx, cy, r, a0, a1):
    """Distance to an arc of a circle from angle a0 to a1 (degrees, anticlockwise on screen)."""
    span = (a1 - a0) % 360 or 360
    ends = [(cx + r * math.cos(math.radians(a)), cy - r * math.sin(math.radians(a))) for a in (a0, a1)]

    def distance(x, y):
        angle = math.degrees(math.atan2(cy - y, x - cx))
        if (angle - a0) % 360 <= span:
            return abs(math.hypot(x - cx, y - cy) - r)
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends)
    return distance


def pen(distances, width):
    """Coverage of strokes drawn with a round pen of the given width."""
    half = width / 2
    return lambda x, y: clamp(half + 0.5 - min(d(x, y) for d in distances))


# ---------------------------------------------------------------- lettering

# Glyphs in font units: baseline at y = 0, y grows upwards, capitals 10 high, small letters
# 7 high. ('L', x0, y0, x1, y1) is a stroke, ('A', cx, cy, r, a0, a1) an arc, ('D', x, y) a dot.
# Each glyph is (advance, strokes).
GLYPHS = {
    ' ': (3.6, []),
    'T': (7.0, [('L', 0, 10, 7, 10), ('L', 3.5, 0, 3.5, 10)]),
    'Q': (10.0, [('A', 5, 5, 5, 0, 360), ('L', 6.6, 2.4, 9.6, -0.6)]),
    'a': (7.0, [('A', 3.5, 3.5, 3.5, 0, 360), ('L', 7, 0, 7, 7)]),
    'r': (3.9, [('L', 0, 0, 0, 7), ('A', 3.9, 3.1, 3.9, 90, 180)]),
    'v': (6.4, [('L', 0, 7, 3.2, 0), ('L', 3.2, 0, 6.4, 7)]),
    'o': (7.0, [('A', 3.5, 3.5, 3.5, 0, 360)]),
    'u': (6.6, [('L', 0, 7, 0, 3.3), ('A', 3.3, 3.3, 3.3, 180, 360), ('L', 6.6, 0, 6.6, 7)]),
    'i': (0.0, [('L', 0, 0, 0, 7), ('D', 0, 9.4)]),
    'l': (0.0, [('L', 0, 0, 0, 10.4)]),
    'n': (6.6, [('L', 0, 0, 0, 7), ('A', 3.3, 3.7, 3.3, 0, 180), ('L', 6.6, 0, 6.6, 3.7)]),
    't': (3.4, [('L', 1.2, 0, 1.2, 9.4), ('L', -0.4, 7, 3.4, 7)]),
    'P': (5.6, [('L', 0, 0, 0, 10), ('L', 0, 10, 3, 10), ('A', 3, 7.5, 2.5, -90, 90), ('L', 3, 5, 0, 5)]),
    'H': (7.0, [('L', 0, 0, 0, 10), ('L', 7, 0, 7, 10), ('L', 0, 5, 7, 5)]),
    'O': (10.0, [('A', 5, 5, 5, 0, 360)]),
    'N': (7.4, [('L', 0, 0, 0, 10), ('L', 0, 10, 7.4, 0), ('L', 7.4, 0, 7.4, 10)]),
    'E': (5.6, [('L', 0, 0, 0, 10), ('L', 0, 10, 5.6, 10), ('L', 0, 5, 5.0, 5), ('L', 0, 0, 5.6, 0)]),
    'R': (6.2, [('L', 0, 0, 0, 10), ('L', 0, 10, 3, 10), ('A', 3, 7.5, 2.5, -90, 90), ('L', 3, 5, 0, 5),
                ('L', 2.6, 5, 6.2, 0)]),
    'M': (9.0, [('L', 0, 0, 0, 10), ('L', 0, 10, 4.5, 2.2), ('L', 4.5, 2.2, 9, 10), ('L', 9, 10, 9, 0)]),
    'C': (8.9, [('A', 5, 5, 5, 42, 318)]),
    'L': (5.4, [('L', 0, 0, 0, 10), ('L', 0, 0, 5.4, 0)]),
}


def text_width(text, scale, spacing):
    advances = [GLYPHS[ch][0] for ch in text]
    return (sum(advances) + spacing * (len(text) - 1)) * scale


def draw_text(picture, text, centre_x, baseline, scale, weight, spacing, colour):
    """Draws text centred on centre_x; scale is pixels per font unit, weight the pen in pixels,
    spacing the gap between glyphs in font units (on top of the pen's own width)."""
    gap = spacing + weight / scale
    x = centre_x - text_width(text, scale, gap) / 2
    for ch in text:
        advance, strokes = GLYPHS[ch]
        distances = []
        xs, ys = [], []

        def point(u, v):
            px, py = x + u * scale, baseline - v * scale
            xs.append(px)
            ys.append(py)
            return px, py

        for stroke in strokes:
            if stroke[0] == 'L':
                distances.append(segment_distance(*point(stroke[1], stroke[2]), *point(stroke[3], stroke[4])))
            elif stroke[0] == 'A':
                _, cx, cy, r, a0, a1 = stroke
                px, py = point(cx, cy)
                point(cx - r, cy - r)
                point(cx + r, cy + r)
                distances.append(arc_distance(px, py, r * scale, a0, a1))
            else:
                distances.append(segment_distance(*point(stroke[1], stroke[2]), *point(stroke[1], stroke[2])))
        if distances:
            pad = weight
            picture.paint((min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad),
                          pen(distances, weight), colour)
        x += (advance + gap) * scale


# ---------------------------------------------------------------- picture

def draw_phone(picture, cx, top):
    w, h, r = 100, 176, 18
    x0, x1, y1 = cx - w / 2, cx + w / 2, top + h

    # A soft shadow below and to the right, so the phone sits on the page.
    body_shadow = rounded_box_distance(x0 + 4, top + 8, x1 + 4, y1 + 8, r)
    picture.paint((x0 - 12, top - 4, x1 + 20, y1 + 24),
                  lambda x, y: 0.22 * clamp(1 - (body_shadow(x, y) + 2) / 12), INK)

    picture.paint((x0, top, x1, y1), fill(rounded_box_distance(x0, top, x1, y1, r)), INK)

    # Screen with a gentle gradient and a speaker slot above it.
    sx0, sy0, sx1, sy1 = x0 + 12, top + 26, x1 - 12, top + 100
    screen = lambda x, y: mix(SCREEN_TOP, SCREEN_BOTTOM, clamp((y - sy0) / (sy1 - sy0)))
    picture.paint((sx0, sy0, sx1, sy1), fill(rounded_box_distance(sx0, sy0, sx1, sy1, 4)), screen)
    picture.paint((cx - 14, top + 11, cx + 14, top + 16), fill(rounded_box_distance(cx - 14, top + 11, cx + 14, top + 16, 2.5)), KEY)

    # A navigation ring with its select button, then two rows of keys.
    ring = arc_distance(cx, top + 121, 11, 0, 360)
    picture.paint((cx - 15, top + 106, cx + 15, top + 136), pen([ring], 3.2), SCREEN_BOTTOM)
    picture.paint((cx - 5, top + 116, cx + 5, top + 126),
                  fill(lambda x, y: math.hypot(x - cx, y - (top + 121)) - 4.2), SCREEN_BOTTOM)
    for row in range(2):
        for col in (-1, 0, 1):
            kx, ky = cx + col * 26, top + 146 + row * 15
            box = (kx - 9, ky - 4, kx + 9, ky + 4)
            picture.paint(box, fill(rounded_box_distance(*box, 3.5)), KEY)


def draw_signal(picture, cx, cy):
    for radius, strength in ((16, 1.0), (28, 0.85), (40, 0.7)):
        stroke = pen([arc_distance(cx, cy, radius, -42, 42)], 5)
        picture.paint((cx - 4, cy - radius - 4, cx + radius + 4, cy + radius + 4),
                      lambda x, y, s=stroke, k=strength: k * s(x, y), GREEN)


def main():
    picture = Picture(WIDTH, HEIGHT)
    picture.vertical_gradient(BACKGROUND_TOP, BACKGROUND_BOTTOM)

    # A faint glow behind the phone lifts the middle of the picture.
    cx, cy = WIDTH / 2, 156
    picture.paint((0, 0, WIDTH, 320), lambda x, y: 0.55 * clamp(1 - math.hypot(x - cx, (y - cy) * 1.2) / 170),
                  (255, 255, 255))

    draw_phone(picture, WIDTH / 2, 50)
    draw_signal(picture, WIDTH / 2 + 60, 102)

    draw_text(picture, "Tarvo Quillant", WIDTH / 2, 308, 3.0, 4.2, 1.2, INK)
    line = segment_distance(WIDTH / 2 - 22, 332, WIDTH / 2 + 22, 332)
    picture.paint((WIDTH / 2 - 26, 328, WIDTH / 2 + 26, 336), pen([line], 3), GREEN)
    draw_text(picture, "PHONE REMOTE CONTROL", WIDTH / 2, 364, 1.05, 1.5, 3.0, SUBTITLE)

    # A hairline frame: the window has no border of its own.
    frame = rounded_box_distance(0.5, 0.5, WIDTH - 0.5, HEIGHT - 0.5, 0)
    picture.paint((0, 0, WIDTH, HEIGHT), lambda x, y: clamp(1.0 - abs(frame(x, y) + 0.5)), FRAME)

    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'splash.bmp')
    with open(path, 'wb') as f:
        f.write(picture.bmp())


if __name__ == '__main__':
    main()
