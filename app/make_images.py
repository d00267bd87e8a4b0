#!/usr/bin/env python3
"""Writes Pixorra.cur (the picking cursor) and Pixorra.ico (the program icon).

Both are single 32 x 32 images with a 256-colour palette, drawn here from a few
shapes so that the committed files can be made again at any time:
    python3 app/make_images.py app
"""
import os
import struct
import sys

SIZE = 32
TRANSPARENT = None

PALETTE = {
    "black": (0, 0, 0),
    "white": (255, 255, 255),
    "blue": (40, 110, 200),
    "sky": (170, 210, 245),
    "green": (60, 160, 80),
    "sun": (250, 200, 40),
    "frame": (120, 80, 40),
}
ORDER = list(PALETTE)


def cursor_pixels():
    """An arrow whose tip is the hot spot (0, 0), with a small picture at its tail."""
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for y in range(17):
        for x in range(y + 1):
            edge = x == 0 or x == y or y == 16
            px[y][x] = "black" if edge else "white"
    for y in range(14, 24):
        for x in range(6, 10):
            px[y][x] = "black" if x in (6, 9) else "white"
    for y in range(18, 31):
        for x in range(14, 31):
            edge = y in (18, 30) or x in (14, 30)
            if edge:
                px[y][x] = "black"
            elif y > 25:
                px[y][x] = "green"
            else:
                px[y][x] = "sky"
    for y, x in ((21, 25), (21, 26), (22, 25), (22, 26)):
        px[y][x] = "sun"
    return px


def icon_pixels():
    """A framed picture: sky, sun and a green hill."""
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for y in range(2, 30):
        for x in range(1, 31):
            if y in (2, 3, 28, 29) or x in (1, 2, 29, 30):
                px[y][x] = "frame"
            elif (x - 16) ** 2 + (y - 36) ** 2 < 170:
                px[y][x] = "green"
            elif (x - 22) ** 2 + (y - 10) ** 2 < 12:
                px[y][x] = "sun"
            else:
                px[y][x] = "sky"
    return px


def image_bytes(px):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in (PALETTE[n] for n in ORDER))
    palette += b"\0" * (1024 - len(palette))
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):  # bottom-up rows
        for p in row:
            xor.append(0 if p is TRANSPARENT else ORDER.index(p))
        bits = 0
        for x, p in enumerate(row):
            if p is TRANSPARENT:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    return header + palette + bytes(xor) + bytes(mask)


def write(path, kind, px, hotspot):
    data = image_bytes(px)
    plane_or_x, bits_or_y = hotspot if kind == 2 else (1, 8)
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, plane_or_x, bits_or_y, len(data), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write(os.path.join(out, "Pixorra.cur"), 2, cursor_pixels(), (0, 0))
    write(os.path.join(out, "Pixorra.ico"), 1, icon_pixels(), None)


if __name__ == "__main__":
    main()
