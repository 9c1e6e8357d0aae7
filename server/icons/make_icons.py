#!/usr/bin/env python3
"""Draws the icons of the server's programs and writes them as .ico files here.

Velmora.exe carries four icon groups, in this order (the shortcuts name them by index):
0 the product, 1 server running, 2 server stopped, 3 the maker's web site.
uninstall.exe carries one. Each icon has 16x16 and 32x32 images in 32-bit colour.
Run it again after changing a drawing; the .ico files are committed.
"""
import math
import struct
from pathlib import Path


def bitmap(size, paint):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, then an empty AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            r, g, b, a = paint((x + 0.5) / size, (y + 0.5) / size)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_row = bytes(((size + 31) // 32) * 4)
    return header + b"".join(rows) + mask_row * size


def icon_file(paint):
    images = [bitmap(size, paint) for size in (16, 32)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((16, 32), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return data + b"".join(images)


def disc(cx, cy, radius, colour, u, v):
    """Colour inside the circle, with a soft edge; None outside."""
    distance = math.hypot(u - cx, v - cy)
    if distance > radius:
        return None
    edge = min(1.0, (radius - distance) * 24)
    return colour[:3] + (int(255 * edge),)


def badge(base, mark):
    """A rounded square in `base` with a `mark` drawn on top."""
    def paint(u, v):
        if max(abs(u - 0.5), abs(v - 0.5)) > 0.44:
            return (0, 0, 0, 0)
        pixel = mark(u, v)
        return pixel if pixel else base + (255,)
    return paint


def letter_v(u, v):
    # Two strokes meeting at the bottom middle.
    for x0 in (0.25, 0.75):
        t = (v - 0.25) / 0.5
        if 0 <= t <= 1 and abs(u - (x0 + (0.5 - x0) * t)) < 0.07:
            return (255, 255, 255, 255)
    return None


def cross(u, v):
    if 0.28 < u < 0.72 and 0.28 < v < 0.72 and (abs(u - v) < 0.07 or abs(u + v - 1) < 0.07):
        return (255, 255, 255, 255)
    return None


def globe(u, v):
    inside = disc(0.5, 0.5, 0.32, (255, 255, 255), u, v)
    if inside is None:
        return None
    # Meridian and equator lines across the white disc.
    if abs(u - 0.5) < 0.04 or abs(v - 0.5) < 0.04 or abs(math.hypot((u - 0.5) * 2.2, v - 0.5) - 0.3) < 0.035:
        return (20, 110, 140, 255)
    return inside


def state(colour):
    return lambda u, v: disc(0.72, 0.72, 0.2, colour, u, v) or letter_v(u, v)


def main():
    here = Path(__file__).resolve().parent
    blue = (30, 80, 160)
    icons = {
        "velmora.ico": badge(blue, letter_v),
        "running.ico": badge(blue, state((40, 180, 60))),
        "stopped.ico": badge(blue, state((150, 150, 150))),
        "website.ico": badge((20, 110, 140), globe),
        "uninstall.ico": badge((170, 40, 40), cross),
    }
    for name, paint in icons.items():
        (here / name).write_bytes(icon_file(paint))


if __name__ == "__main__":
    main()
