#!/usr/bin/env python3
"""Draws the icons of the server's programs and writes them as .ico files here.

Velmora.exe carries four icon groups, in this order (the shortcuts name them by index):
0 the product, 1 server running, 2 server stopped, 3 the maker's web site.
uninstall.exe carries one. Each icon has 16x16, 32x32, 48x48 and 256x256 images in 32-bit
colour, the last stored as PNG as Windows Vista and later expect (XP takes the 48x48 one).
Every size is drawn from the shapes below, not scaled from another image; the large ones are
supersampled, the small ones keep their pixel-exact edges.
Run it again after changing a drawing (python3 server/icons/make_icons.py); the .ico files
are committed.
"""
import math
import struct
import zlib
from pathlib import Path

SIZES = (16, 32, 48, 256)
# Samples per pixel side for the sizes whose edges would otherwise show as steps.
SMOOTHING = {48: 4, 256: 4}


def pixel(paint, size, x, y):
    """The colour of pixel (x, y), from the centre alone or averaged over samples."""
    n = SMOOTHING.get(size, 1)
    if n == 1:
        return paint((x + 0.5) / size, (y + 0.5) / size)
    r = g = b = a = 0
    for i in range(n):
        for j in range(n):
            pr, pg, pb, pa = paint((x + (i + 0.5) / n) / size, (y + (j + 0.5) / n) / size)
            r, g, b, a = r + pr * pa, g + pg * pa, b + pb * pa, a + pa
    if a == 0:
        return (0, 0, 0, 0)
    return (round(r / a), round(g / a), round(b / a), round(a / (n * n)))


def bitmap(size, paint):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, then an empty AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            r, g, b, a = pixel(paint, size, x, y)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_row = bytes(((size + 31) // 32) * 4)
    return header + b"".join(rows) + mask_row * size


def png(size, paint):
    """One icon image as an RGBA PNG file."""
    rows = b"".join(b"\0" + bytes(c for x in range(size) for c in pixel(paint, size, x, y))
                    for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def icon_file(paint):
    images = [png(size, paint) if size >= 256 else bitmap(size, paint) for size in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        # A directory entry says 0 for 256.
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
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
