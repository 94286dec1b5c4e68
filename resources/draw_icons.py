#!/usr/bin/env python3
"""Draws a program icon of the suite as a Windows .ico file: 32 x 32 and 16 x 16 pixels,
each in 16 colours (4 bits), 256 colours (8 bits) and true colour with an alpha channel
(32 bits), the sizes and depths Windows 2000 and XP pick from.

Usage: draw_icons.py camera|installer OUTPUT.ico

Pictures are described once, on a 32-unit grid, and rendered with 4 x 4 samples per pixel:
the 32-bit images keep the soft edges as alpha, the palette images take the nearest palette
colour and make a pixel opaque when at least half of it is covered.
"""
import math
import struct
import sys

SAMPLES = 4
SIZES = (32, 16)
DEPTHS = (4, 8, 32)

# The 16 colours of the standard VGA palette, as 4-bit icons use them.
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def cube_palette():
    """A 6 x 6 x 6 colour cube and a ramp of 40 greys: 256 entries."""
    steps = [0, 51, 102, 153, 204, 255]
    colours = [(r, g, b) for r in steps for g in steps for b in steps]
    colours += [(int(i * 255 / 41),) * 3 for i in range(1, 41)]
    return colours


# Shapes: each answers whether a point (on the 32-unit grid) lies inside, and its colour.
def disc(cx, cy, r, colour):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)


def box(x0, y0, x1, y1, colour, radius=0.0):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        nx = min(max(x, x0 + radius), x1 - radius)
        ny = min(max(y, y0 + radius), y1 - radius)
        return (x - nx) ** 2 + (y - ny) ** 2 <= radius * radius
    return (inside, colour)


def polygon(points, colour):
    def inside(x, y):
        crossings = 0
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                crossings += 1
        return crossings % 2 == 1
    return (inside, colour)


def shaded(top, bottom, y0, y1):
    """A colour that runs from top to bottom between y0 and y1."""
    def colour(_x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
    return colour


def camera_picture():
    """The camera application: a round web camera on its stand, lens towards the viewer."""
    return [
        box(9, 26, 23, 30, shaded((110, 110, 120), (50, 50, 60), 26, 30), 2),
        box(14, 21, 18, 27, (70, 70, 80)),
        disc(16, 13, 12.5, (40, 40, 48)),
        disc(16, 13, 11.5, shaded((235, 235, 240), (150, 150, 165), 1, 25)),
        disc(16, 14, 7.5, (40, 40, 48)),
        disc(16, 14, 6, shaded((60, 110, 200), (15, 35, 90), 8, 20)),
        disc(16, 14, 2.5, (10, 15, 40)),
        disc(13.5, 11.5, 1.8, (230, 240, 255)),
        disc(25, 6, 1.8, (220, 30, 30)),
    ]


def installer_picture():
    """The driver installer: a chip on a board with an arrow that puts the driver into it."""
    shapes = [box(3, 12, 29, 30, shaded((70, 150, 80), (30, 90, 40), 12, 30), 2)]
    for i in range(5):
        x = 9 + i * 3.5
        shapes.append(box(x, 14, x + 1.5, 28, (210, 190, 90)))
    shapes += [
        box(7, 16, 25, 26, (40, 40, 48), 1),
        box(9, 18, 23, 24, shaded((90, 90, 100), (50, 50, 60), 18, 24)),
        polygon([(13, 1), (19, 1), (19, 8), (24, 8), (16, 16), (8, 8), (13, 8)],
                (30, 90, 210)),
        polygon([(14, 2), (18, 2), (18, 9), (21.5, 9), (16, 14.5), (10.5, 9), (14, 9)],
                shaded((120, 180, 255), (40, 110, 230), 2, 14)),
    ]
    return shapes


PICTURES = {"camera": camera_picture, "installer": installer_picture}


def render(shapes, size):
    """Rows of (r, g, b, alpha) pixels, top row first."""
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            covered = 0
            total = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    colour = None
                    for inside, paint in shapes:
                        if inside(x, y):
                            colour = paint(x, y) if callable(paint) else paint
                    if colour is not None:
                        covered += 1
                        total = [t + c for t, c in zip(total, colour)]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (int(round(t / covered)) for t in total)
                row.append((r, g, b, int(round(255 * covered / SAMPLES ** 2))))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def padded(data, width_bytes):
    return bytes(data) + b"\0" * (((width_bytes + 3) & ~3) - width_bytes)


def and_mask(pixels, size, opaque):
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray((size + 7) // 8)
        for x, pixel in enumerate(row):
            if not opaque(pixel):
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += padded(bits, len(bits))
    return bytes(mask)


def icon_image(pixels, size, depth):
    """One icon image: BITMAPINFOHEADER (height doubled for the mask), palette, colour
    bits bottom-up, then the AND mask that marks see-through pixels."""
    def solid(pixel):
        return pixel[3] >= 128

    palette = []
    if depth == 32:
        colour_bits = bytearray()
        for row in reversed(pixels):
            colour_bits += b"".join(bytes((b, g, r, a)) for (r, g, b, a) in row)
        mask = and_mask(pixels, size, lambda pixel: pixel[3] > 0)
    else:
        palette = VGA_PALETTE if depth == 4 else cube_palette()
        colour_bits = bytearray()
        for row in reversed(pixels):
            indices = [nearest(palette, p[:3]) if solid(p) else 0 for p in row]
            if depth == 4:
                line = bytes((indices[i] << 4) | (indices[i + 1] if i + 1 < size else 0)
                             for i in range(0, size, 2))
            else:
                line = bytes(indices)
            colour_bits += padded(line, len(line))
        mask = and_mask(pixels, size, solid)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0,
                         len(colour_bits) + len(mask), 0, 0, len(palette), 0)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return header + table + bytes(colour_bits) + mask


def icon_file(shapes):
    entries = []
    for size in SIZES:
        pixels = render(shapes, size)
        for depth in DEPTHS:
            entries.append((size, depth, icon_image(pixels, size, depth)))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, depth, image in entries:
        colour_count = 16 if depth == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, depth, len(image),
                           offset)
        offset += len(image)
    return out + b"".join(image for _, _, image in entries)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in PICTURES:
        sys.stderr.write(__doc__)
        return 2
    data = icon_file(PICTURES[sys.argv[1]]())
    with open(sys.argv[2], "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
