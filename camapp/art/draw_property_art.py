#!/usr/bin/env python3
"""Draws the property window's three 32 x 32 button pictures: a memory card with an arrow
going in ("Save Camera Setting"), the card with the arrow coming out ("Restroe Camera
Setting") and a circular arrow around a dot ("Set Default Camera Setting"). Run once; the
results are kept beside this script and compiled into the program as bitmap resources
(property_art.rc).

Usage: draw_property_art.py OUTPUT_FOLDER
"""
import math
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import picture_canvas  # noqa: E402

SIZE = 32
FACE = (192, 192, 192)
INK = (40, 40, 48)
CARD = (64, 116, 188)
CARD_LIGHT = (150, 196, 240)
LABEL = (250, 250, 246)
ARROW_IN = (40, 150, 60)
ARROW_OUT = (200, 120, 30)
RESET = (200, 48, 40)


class Canvas(picture_canvas.Canvas):
    def __init__(self):
        super().__init__(SIZE, SIZE, FACE)

    def triangle_down(self, cx, top, half, colour):
        for row in range(half + 1):
            for x in range(cx - half + row, cx + half - row + 1):
                self.put(x, top + row, colour)

    def triangle_up(self, cx, bottom, half, colour):
        for row in range(half + 1):
            for x in range(cx - half + row, cx + half - row + 1):
                self.put(x, bottom - row, colour)

    def arc(self, cx, cy, r, start_deg, end_deg, colour, width=2):
        steps = int(abs(end_deg - start_deg) * r / 20) + 8
        for i in range(steps + 1):
            a = math.radians(start_deg + (end_deg - start_deg) * i / steps)
            x, y = cx + r * math.cos(a), cy - r * math.sin(a)
            for dy in range(width):
                for dx in range(width):
                    self.put(int(round(x)) + dx - width // 2, int(round(y)) + dy - width // 2,
                             colour)


def card(canvas):
    # A camera's memory: a card with a cut corner, contacts and a label.
    canvas.rect(6, 14, 25, 29, CARD)
    for i in range(4):
        canvas.rect(6, 14 + i, 6 + 3 - i, 14 + i, FACE)
    canvas.frame(6, 14, 25, 29, INK)
    canvas.rect(10, 18, 21, 22, LABEL)
    for x in range(10, 22, 3):
        canvas.rect(x, 25, x + 1, 28, CARD_LIGHT)


def save():
    canvas = Canvas()
    card(canvas)
    canvas.rect(14, 1, 17, 7, ARROW_IN)
    canvas.triangle_down(15, 7, 5, ARROW_IN)
    canvas.rect(16, 1, 17, 7, ARROW_IN)
    return canvas


def restore():
    canvas = Canvas()
    card(canvas)
    canvas.triangle_up(15, 6, 5, ARROW_OUT)
    canvas.rect(14, 6, 17, 12, ARROW_OUT)
    return canvas


def reset():
    canvas = Canvas()
    canvas.arc(16, 16, 11, 110, 400, RESET, width=3)
    # The arrow head at the arc's open end, pointing back along it.
    canvas.triangle_down(11, 1, 5, RESET)
    canvas.rect(13, 14, 18, 19, INK)
    return canvas


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    for name, draw in (("save_setting", save), ("restore_setting", restore),
                       ("reset_setting", reset)):
        with open(f"{folder}/{name}.bmp", "wb") as out:
            out.write(draw().bmp())


if __name__ == "__main__":
    main()
