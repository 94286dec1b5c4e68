#!/usr/bin/env python3
"""Draws the tray companion's pictures: the 24 toolbox buttons (ids 138-161), the About
picture (171) and the program icon (151). Run once; the results are kept beside this script.

Usage: draw_art.py OUTPUT_FOLDER
"""
import math
import os
import struct
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import picture_canvas  # noqa: E402

SILVER = (192, 192, 192)   # the bar's background; the see-through colour
HOT_FACE = (178, 222, 178)  # the same button, green-tinted, under the pointer
OUTLINE = (96, 96, 104)
INK = (40, 40, 48)
RADIUS = 12



Canvas = picture_canvas.Canvas


def button_face(canvas, face, round_start, round_end, along_vertical):
    """The button's face inside the bar outline; the bar's first and last ends are rounded,
    and everything outside the rounding stays silver."""
    w, h = canvas.width, canvas.height
    for y in range(h):
        for x in range(w):
            inside = True
            corners = []
            if along_vertical:
                if round_start:
                    corners += [(RADIUS, RADIUS), (w - 1 - RADIUS, RADIUS)]
                if round_end:
                    corners += [(RADIUS, h - 1 - RADIUS), (w - 1 - RADIUS, h - 1 - RADIUS)]
            else:
                if round_start:
                    corners += [(RADIUS, RADIUS), (RADIUS, h - 1 - RADIUS)]
                if round_end:
                    corners += [(w - 1 - RADIUS, RADIUS), (w - 1 - RADIUS, h - 1 - RADIUS)]
            for (cx, cy) in corners:
                in_corner_box = (abs(x - cx) <= RADIUS and abs(y - cy) <= RADIUS and
                                 (x < cx if cx < w / 2 else x > cx) and
                                 (y < cy if cy < h / 2 else y > cy))
                if in_corner_box and math.hypot(x - cx, y - cy) > RADIUS:
                    inside = False
            if not inside:
                continue
            d = None
            for (cx, cy) in corners:
                if ((x < cx if cx < w / 2 else x > cx) and (y < cy if cy < h / 2 else y > cy)):
                    d = math.hypot(x - cx, y - cy)
            on_edge = (d is not None and d > RADIUS - 1.5)
            if along_vertical:
                on_edge = on_edge or x in (0, w - 1)
                on_edge = on_edge or (round_start and y == 0) or (round_end and y == h - 1)
            else:
                on_edge = on_edge or y in (0, h - 1)
                on_edge = on_edge or (round_start and x == 0) or (round_end and x == w - 1)
            canvas.put(x, y, OUTLINE if on_edge else face)


def magnifier(c, cx, cy):
    c.ring(cx - 3, cy - 3, 9, 3, INK)
    c.disc(cx - 3, cy - 3, 6, (210, 230, 250))
    c.line(cx + 4, cy + 4, cx + 10, cy + 10, INK, 3)


def still_camera(c, cx, cy):
    c.rect(cx - 12, cy - 7, cx + 12, cy + 9, INK)
    c.rect(cx - 6, cy - 10, cx + 2, cy - 7, INK)
    c.disc(cx, cy + 1, 6, (230, 230, 235))
    c.disc(cx, cy + 1, 3, (60, 90, 160))
    c.rect(cx + 7, cy - 5, cx + 10, cy - 3, (250, 240, 150))


def video_camera(c, cx, cy):
    c.rect(cx - 12, cy - 6, cx + 4, cy + 7, INK)
    for i in range(8):
        c.line(cx + 5, cy, cx + 12, cy - 7 + 2 * i, INK)
    c.disc(cx - 7, cy - 10, 3, (220, 30, 30))


def envelope(c, cx, cy):
    c.rect(cx - 12, cy - 7, cx + 10, cy + 8, (250, 250, 245))
    c.frame(cx - 12, cy - 7, cx + 10, cy + 8, INK)
    c.line(cx - 12, cy - 7, cx - 1, cy + 2, INK)
    c.line(cx + 10, cy - 7, cx - 1, cy + 2, INK)
    c.line(cx + 4, cy + 10, cx + 13, cy + 10, (30, 120, 40), 2)
    c.line(cx + 13, cy + 10, cx + 10, cy + 7, (30, 120, 40), 2)
    c.line(cx + 13, cy + 10, cx + 10, cy + 13, (30, 120, 40), 2)


def sheet_and_pencil(c, cx, cy):
    c.rect(cx - 10, cy - 12, cx + 6, cy + 11, (252, 252, 252))
    c.frame(cx - 10, cy - 12, cx + 6, cy + 11, INK)
    for y in range(cy - 8, cy + 9, 4):
        c.line(cx - 7, y, cx + 3, y, (120, 120, 140))
    c.line(cx + 11, cy - 9, cx - 1, cy + 7, (230, 180, 40), 4)
    c.line(cx - 1, cy + 7, cx - 3, cy + 10, INK, 2)


def globe(c, cx, cy):
    c.disc(cx, cy, 12, (70, 130, 210))
    c.ring(cx, cy, 12, 1.5, INK)
    for dx in (-6, 0, 6):
        for y in range(cy - 11, cy + 12):
            k = math.sqrt(max(0, 144 - (y - cy) ** 2)) / 12
            c.put(int(round(cx + dx * k)), y, (230, 240, 250))
    for dy in (-6, 0, 6):
        half = int(math.sqrt(max(0, 144 - dy * dy)))
        c.line(cx - half + 1, cy + dy, cx + half - 1, cy + dy, (230, 240, 250))


PICTURES = [magnifier, still_camera, video_camera, envelope, sheet_and_pencil, globe]
LEFT_RIGHT_SIZES = [(45, 40), (45, 35), (45, 35), (45, 35), (45, 35), (45, 39)]
TOP_SIZES = [(39, 45), (35, 45), (35, 45), (35, 45), (35, 45), (40, 45)]


def button(size, index, hot, along_vertical):
    w, h = size
    c = Canvas(w, h, SILVER)
    button_face(c, HOT_FACE if hot else SILVER, index == 0, index == 5, along_vertical)
    PICTURES[index](c, w // 2, h // 2)
    return c


def about_picture():
    c = Canvas(64, 64, SILVER)
    for y in range(64):
        for x in range(64):
            c.put(x, y, (150 + y, 170 + y // 2, 220))
    c.rect(10, 20, 54, 50, INK)
    c.rect(22, 14, 36, 20, INK)
    c.disc(32, 35, 11, (230, 230, 235))
    c.disc(32, 35, 6, (60, 90, 160))
    c.disc(47, 25, 2, (220, 30, 30))
    return c


def icon_image(size):
    c = Canvas(size, size, (0, 0, 0))
    s = size / 32
    c.rect(int(3 * s), int(9 * s), int(28 * s), int(26 * s), INK)
    c.rect(int(10 * s), int(5 * s), int(18 * s), int(9 * s), INK)
    c.disc(16 * s, 17 * s, 7 * s, (230, 230, 235))
    c.disc(16 * s, 17 * s, 4 * s, (60, 90, 160))
    c.disc(25 * s, 12 * s, max(1, 1.5 * s), (220, 30, 30))
    mask = [[0 if c.pixels[y][x] != (0, 0, 0) else 1 for x in range(size)]
            for y in range(size)]
    return c, mask


def icon_file(sizes):
    images = []
    for size in sizes:
        c, mask = icon_image(size)
        pixels = bytearray()
        for row in reversed(c.pixels):
            line = bytearray()
            for (r, g, b) in row:
                line += bytes((b, g, r))
            line += b"\0" * (((size * 3 + 3) & ~3) - len(line))
            pixels += line
        and_row = ((size + 31) // 32) * 4
        and_bits = bytearray()
        for row in reversed(mask):
            line = bytearray(and_row)
            for x, bit in enumerate(row):
                if bit:
                    line[x // 8] |= 0x80 >> (x % 8)
            and_bits += line
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0,
                             len(pixels) + len(and_bits), 0, 0, 0, 0)
        images.append(header + bytes(pixels) + bytes(and_bits))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for index in range(6):
        for hot in (False, True):
            number = 138 + 2 * index + (1 if hot else 0)
            image = button(LEFT_RIGHT_SIZES[index], index, hot, True)
            with open(f"{folder}/button{number}.bmp", "wb") as f:
                f.write(image.bmp())
            number = 150 + 2 * index + (1 if hot else 0)
            image = button(TOP_SIZES[index], index, hot, False)
            with open(f"{folder}/button{number}.bmp", "wb") as f:
                f.write(image.bmp())
    with open(f"{folder}/about171.bmp", "wb") as f:
        f.write(about_picture().bmp())
    with open(f"{folder}/quickdock.ico", "wb") as f:
        f.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
