#!/usr/bin/env python3
"""Draws the settings window's three 32 x 32 button pictures: an open folder ("Browse
Files"), a screen with size arrows ("Stream Format") and a counter wheel turning back to
zero ("Clear File Counters"). Run once; the results are kept beside this script and
compiled into the program as bitmap resources (setting_art.rc).

Usage: draw_setting_art.py OUTPUT_FOLDER
"""
import math
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import picture_canvas  # noqa: E402

SIZE = 32
FACE = (192, 192, 192)      # the button face; also the see-through colour
INK = (40, 40, 48)
FOLDER = (236, 196, 84)
FOLDER_DARK = (176, 132, 40)
PAPER = (250, 250, 246)
SCREEN = (64, 116, 188)
SCREEN_LIGHT = (150, 196, 240)
ARROW = (200, 48, 40)
DIGIT_FACE = (250, 250, 246)


class Canvas(picture_canvas.Canvas):
    def __init__(self):
        super().__init__(SIZE, SIZE, FACE)

    def arc(self, cx, cy, r, start_deg, end_deg, colour, width=2):
        steps = int(abs(end_deg - start_deg) * 2) + 1
        for i in range(steps + 1):
            a = math.radians(start_deg + (end_deg - start_deg) * i / steps)
            for w in range(width):
                self.put(int(round(cx + (r - w) * math.cos(a))),
                         int(round(cy - (r - w) * math.sin(a))), colour)


def browse_files():
    c = Canvas()
    # Back of the folder with its tab, a sheet of paper, then the open front flap.
    c.rect(3, 7, 13, 10, FOLDER_DARK)
    c.rect(3, 10, 27, 26, FOLDER_DARK)
    c.frame(3, 10, 27, 26, INK)
    c.line(3, 7, 13, 7, INK)
    c.line(3, 7, 3, 10, INK)
    c.line(13, 7, 15, 10, INK)
    c.rect(8, 5, 24, 20, PAPER)
    c.frame(8, 5, 24, 20, INK)
    for y in (9, 12, 15):
        c.line(11, y, 21, y, (120, 120, 128))
    c.polygon([(1, 15), (25, 15), (30, 27), (6, 27)], FOLDER)
    c.line(1, 15, 25, 15, INK)
    c.line(25, 15, 30, 27, INK)
    c.line(30, 27, 6, 27, INK)
    c.line(6, 27, 1, 15, INK)
    return c


def stream_format():
    c = Canvas()
    # A monitor whose picture is stretched by a double arrow, on a small stand.
    c.rect(2, 4, 29, 23, INK)
    c.rect(4, 6, 27, 21, SCREEN)
    c.rect(4, 6, 27, 9, SCREEN_LIGHT)
    c.rect(13, 24, 18, 26, INK)
    c.rect(9, 27, 22, 28, INK)
    c.line(8, 16, 23, 16, ARROW, 2)
    c.polygon([(6, 16), (11, 12), (11, 20)], ARROW)
    c.polygon([(26, 16), (20, 12), (20, 20)], ARROW)
    return c


def clear_counters():
    c = Canvas()
    # A counter window reading 000, under an arrow turning back to the start.
    c.rect(3, 15, 28, 27, INK)
    for i, x in enumerate((5, 13, 21)):
        c.rect(x, 17, x + 5, 25, DIGIT_FACE)
        c.frame(x + 1, 18, x + 4, 24, INK)
    c.arc(16, 15, 11, 20, 160, ARROW, 2)
    c.polygon([(2, 14), (10, 14), (6, 8)], ARROW)
    return c


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    for name, draw in (("browse_files", browse_files), ("stream_format", stream_format),
                       ("clear_counters", clear_counters)):
        with open(f"{folder}/{name}.bmp", "wb") as out:
            out.write(draw().bmp())


if __name__ == "__main__":
    main()
