#!/usr/bin/env python3
"""Draws the default skin's caption-button pictures: for each button one 24-bit BMP strip of
four 18 x 16 cells side by side (normal, hot, pressed, inactive), in the skin's colours.

Usage: draw_skin.py OUTPUT_FOLDER
"""
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import picture_canvas  # noqa: E402

WIDTH, HEIGHT = 18, 16
FACE = (0xC4, 0xCE, 0xDC)
HOT_FACE = (0xDD, 0xE6, 0xF2)
PRESSED_FACE = (0xA8, 0xB4, 0xC6)
INACTIVE_FACE = (0xB8, 0xC0, 0xCC)
LIGHT = (0xF4, 0xF6, 0xFA)
SHADOW = (0x6A, 0x76, 0x88)
INK = (0x10, 0x18, 0x28)
INACTIVE_INK = (0x6A, 0x76, 0x88)
CLOSE_INK = (0xA0, 0x20, 0x20)
EYE_WHITE = (0xF8, 0xF8, 0xF8)
IRIS = (0x2C, 0x5A, 0x9A)



Canvas = picture_canvas.Canvas


def cell_face(c, x0, face, pressed):
    c.rect(x0, 0, x0 + WIDTH - 1, HEIGHT - 1, face)
    top_left, bottom_right = (SHADOW, LIGHT) if pressed else (LIGHT, SHADOW)
    for x in range(x0, x0 + WIDTH):
        c.put(x, 0, top_left)
        c.put(x, HEIGHT - 1, bottom_right)
    for y in range(HEIGHT):
        c.put(x0, y, top_left)
        c.put(x0 + WIDTH - 1, y, bottom_right)


def minimize(c, x, y, ink):
    c.rect(x + 5, y + 10, x + 11, y + 11, ink)


def maximize(c, x, y, ink):
    c.frame(x + 4, y + 3, x + 12, y + 11, ink)
    c.rect(x + 4, y + 4, x + 12, y + 4, ink)


def restore(c, x, y, ink, face):
    c.frame(x + 7, y + 2, x + 13, y + 8, ink)
    c.rect(x + 7, y + 3, x + 13, y + 3, ink)
    c.rect(x + 4, y + 6, x + 10, y + 12, face)
    c.frame(x + 4, y + 6, x + 10, y + 12, ink)
    c.rect(x + 4, y + 7, x + 10, y + 7, ink)


def triangle(c, x, y, ink, up):
    for row in range(5):
        yy = y + 5 + row if up else y + 10 - row
        c.rect(x + 8 - row, yy, x + 8 + row, yy, ink)


def close(c, x, y, ink):
    for i in range(8):
        for w in (0, 1):
            c.put(x + 5 + i + w, y + 4 + i, ink)
            c.put(x + 12 - i + w, y + 4 + i, ink)


def eye(c, x, y, ink):
    # The camera's eye: a lens outline with an iris, for the system menu button.
    for xx in range(4, 14):
        half = 4 - abs(xx - 8.5) * 0.8
        for yy in range(8 - int(half), 8 + int(half) + 1):
            c.put(x + xx, y + yy, EYE_WHITE)
        c.put(x + xx, y + 8 - int(half) - 1, ink)
        c.put(x + xx, y + 8 + int(half) + 1, ink)
    c.rect(x + 7, y + 6, x + 10, y + 9, IRIS)
    c.rect(x + 8, y + 7, x + 9, y + 8, INK)


SYMBOLS = {
    "sysmenu": lambda c, x, y, ink, face: eye(c, x, y, ink),
    "minimize": lambda c, x, y, ink, face: minimize(c, x, y, ink),
    "maximize": lambda c, x, y, ink, face: maximize(c, x, y, ink),
    "restore": restore,
    "rollup": lambda c, x, y, ink, face: triangle(c, x, y, ink, True),
    "rolldown": lambda c, x, y, ink, face: triangle(c, x, y, ink, False),
    "close": lambda c, x, y, ink, face: close(c, x, y, CLOSE_INK if ink == INK else ink),
}

STATES = [(FACE, INK, False), (HOT_FACE, INK, False), (PRESSED_FACE, INK, True),
          (INACTIVE_FACE, INACTIVE_INK, False)]


def strip(name):
    c = Canvas(WIDTH * len(STATES), HEIGHT, FACE)
    for index, (face, ink, pressed) in enumerate(STATES):
        x0 = index * WIDTH
        cell_face(c, x0, face, pressed)
        shift = 1 if pressed else 0
        SYMBOLS[name](c, x0 + shift, shift, ink, face)
    return c.bmp()


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name in SYMBOLS:
        with open(os.path.join(folder, name + ".bmp"), "wb") as out:
            out.write(strip(name))


if __name__ == "__main__":
    main()
