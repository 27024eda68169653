#!/usr/bin/env python3
"""Draws the application icon, a parcel with an arrow pointing into it, and
writes it as an .ico file: five 32-bit images of 64, 48, 32, 24 and 16 pixels,
in that order, each a BITMAPINFOHEADER bitmap with alpha plus a 1-bit mask."""
import math
import os
import struct
import sys

SIZES = (64, 48, 32, 24, 16)
SUPERSAMPLE = 4

PARCEL = (0xC9, 0x8F, 0x4E)
PARCEL_LID = (0xE0, 0xAE, 0x6C)
TAPE = (0xA8, 0x6E, 0x33)
ARROW = (0x2E, 0xA0, 0x43)
OUTLINE = (0x3A, 0x2A, 0x1A)

# Shapes on a unit square, y pointing down; later shapes paint over earlier ones.
BODY = [(0.12, 0.46), (0.88, 0.46), (0.88, 0.93), (0.12, 0.93)]
LID_LEFT = [(0.12, 0.46), (0.50, 0.46), (0.42, 0.36), (0.06, 0.36)]
LID_RIGHT = [(0.50, 0.46), (0.88, 0.46), (0.94, 0.36), (0.58, 0.36)]
TAPE_BAND = [(0.44, 0.46), (0.56, 0.46), (0.56, 0.93), (0.44, 0.93)]
ARROW_SHAPE = [(0.40, 0.04), (0.60, 0.04), (0.60, 0.36), (0.76, 0.36),
               (0.50, 0.66), (0.24, 0.36), (0.40, 0.36)]


def inside(polygon, x, y):
    """Even-odd rule."""
    result = False
    n = len(polygon)
    for i in range(n):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < cross:
                result = not result
    return result


def edge_distance(polygon, x, y):
    best = math.inf
    n = len(polygon)
    for i in range(n):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % n]
        dx, dy = x2 - x1, y2 - y1
        t = ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        best = min(best, math.hypot(x - (x1 + t * dx), y - (y1 + t * dy)))
    return best


def colour_at(x, y, outline_width):
    """Colour of one sample point, or None where the icon is transparent."""
    colour = None
    for polygon, fill, outlined in ((LID_LEFT, PARCEL_LID, True),
                                    (LID_RIGHT, PARCEL_LID, True),
                                    (BODY, PARCEL, True),
                                    (TAPE_BAND, TAPE, False),
                                    (ARROW_SHAPE, ARROW, True)):
        if inside(polygon, x, y):
            near_edge = outlined and edge_distance(polygon, x, y) < outline_width
            colour = OUTLINE if near_edge else fill
        elif outlined and edge_distance(polygon, x, y) < outline_width / 2:
            colour = OUTLINE
    return colour


def render(size):
    """Rows top to bottom of (b, g, r, a) pixels."""
    outline_width = max(1.0 / size, 0.025)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) / SUPERSAMPLE) / size
                    y = (py + (sy + 0.5) / SUPERSAMPLE) / size
                    c = colour_at(x, y, outline_width)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * a / (SUPERSAMPLE * SUPERSAMPLE))
                row.append((round(b / a), round(g / a), round(r / a), alpha))
        rows.append(row)
    return rows


def dib(size, rows):
    """BITMAPINFOHEADER, bottom-up BGRA pixels, then the bottom-up AND mask
    (1 where the pixel is fully transparent), rows padded to 32 bits."""
    pixels = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def make_icon(sizes=SIZES):
    images = [dib(size, render(size)) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        print("usage: make_icon.py ICON", file=sys.stderr)
        return 2
    target = sys.argv[1]
    data = make_icon()
    try:
        folder = os.path.dirname(target)
        if folder:
            os.makedirs(folder, exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
    except OSError as e:
        print(f"make_icon.py: {target}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
