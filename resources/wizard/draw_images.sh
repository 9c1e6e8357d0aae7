#!/usr/bin/env bash
# Draws the wizard's images next to this script. Needs python3 and ImageMagick; run it
# by hand after changing a picture and commit the outputs, so the build needs neither.
#   step_states.bmp  three 18x20 32-bit images: green arrow, green check, red cross
#                    (white is the transparent colour of the image list's mask)
#   banner.bmp       560x60 24-bit banner across the top of the wizard
#   setup.ico        the program's icon: 35x35 first (the welcome page shows the first image
#                    at its own size), then 16, 32, 48 and 256 (stored as PNG) for the shell;
#                    each size drawn, not scaled from another
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

python3 - <<'PY'
import math, struct

W, H = 18, 20

def inside_polygon(x, y, pts):
    c = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]; xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            c = not c
        j = i
    return c

def near_segment(x, y, a, b, width):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py) <= width / 2

def arrow(x, y):
    return inside_polygon(x, y, [(3, 7), (9, 7), (9, 3), (16, 10), (9, 17), (9, 13), (3, 13)])

def check(x, y):
    return near_segment(x, y, (3, 10), (7, 15), 3.2) or near_segment(x, y, (7, 15), (15, 4), 3.2)

def cross(x, y):
    return near_segment(x, y, (4, 5), (14, 15), 3.2) or near_segment(x, y, (14, 5), (4, 15), 3.2)

GREEN, RED = (40, 160, 60), (215, 40, 40)
shapes = [(arrow, GREEN), (check, GREEN), (cross, RED)]

def coverage(shape, px, py):
    # 4x4 supersampling; edges are blended towards white, the mask colour.
    hits = sum(shape(px + (i + 0.5) / 4, py + (j + 0.5) / 4) for i in range(4) for j in range(4))
    return hits / 16.0

width = W * len(shapes)
rows = []
for py in range(H):
    row = bytearray()
    for px in range(width):
        shape, colour = shapes[px // W]
        a = coverage(shape, px % W, py)
        r, g, b = (round(255 + (c - 255) * a) for c in colour)
        row += bytes((b, g, r, 0))   # alpha left 0: the image list uses the white mask
    rows.append(row)
pixels = b"".join(reversed(rows))    # bottom-up DIB
header = struct.pack("<IiiHHIIiiII", 40, width, H, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
with open("step_states.bmp", "wb") as f:
    f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40))
    f.write(header + pixels)
PY

# Banner: a dark blue band fading to teal, a few soft circles and the product's name.
convert -size 560x60 gradient:'#163a6b'-'#1f8a8f' -rotate -90 -resize 560x60! \
  -fill 'rgba(255,255,255,0.10)' -draw 'circle 470,30 470,90' \
  -fill 'rgba(255,255,255,0.08)' -draw 'circle 530,10 530,50' \
  -fill white -font DejaVu-Sans-Bold -pointsize 22 -annotate +18+32 'Velmora Server' \
  -fill '#d8eef0' -font DejaVu-Sans -pointsize 12 -annotate +20+50 'Groupware server setup' \
  -type TrueColor BMP3:banner.bmp

# Icon: a rounded teal square with a white "V", drawn at each size.
icon_images=()
for size in 35 16 32 48 256; do
  convert -size ${size}x${size} xc:none -fill '#1f6f8f' \
    -draw "roundrectangle 1,1 $((size - 2)),$((size - 2)) $((size / 5)),$((size / 5))" \
    -fill white -font DejaVu-Sans-Bold -pointsize $((size * 24 / 35)) -gravity center \
    -annotate +0+$(((size + 17) / 35)) 'V' "PNG32:icon-$size.png"
  icon_images+=("icon-$size.png")
done
convert "${icon_images[@]}" setup.ico
rm -f "${icon_images[@]}"
