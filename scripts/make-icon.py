#!/usr/bin/env python3
"""Draws the program icon, resources/updater.ico: one 32x32 image in the 16
standard colours: a crescent moon over a night-blue tile with a green arrow
pointing down (an update arriving while one sleeps).

Run it again after changing the drawing; the icon file is kept in the
repository, so the build does not need this script.
"""

import pathlib
import struct

SIZE = 32

# The 16 colours of the standard palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, LIME, YELLOW, WHITE, GREEN = 0, 4, 7, 10, 11, 15, 2
TRANSPARENT = None


def inside_tile(x, y):
    """A square with rounded corners, one pixel in from the edge."""
    if not (1 <= x <= 30 and 1 <= y <= 30):
        return False
    corner = 4
    cx = min(max(x, 1 + corner), 30 - corner)
    cy = min(max(y, 1 + corner), 30 - corner)
    return (x - cx) ** 2 + (y - cy) ** 2 <= corner ** 2


def in_circle(x, y, cx, cy, r):
    return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r


def in_arrow(x, y):
    """A downward arrow in the lower right: a shaft and a triangular head."""
    if 20 <= x <= 24 and 14 <= y <= 21:
        return True
    return 22 <= y <= 27 and abs(x - 22) <= 27 - y


def pixel(x, y):
    """Colour index of the pixel at (x, y), y counted from the top."""
    if not inside_tile(x, y):
        return TRANSPARENT
    if in_arrow(x, y):
        return LIME
    if in_circle(x, y, 12, 13, 9) and not in_circle(x, y, 16, 10, 8):
        return YELLOW
    stars = {(24, 5), (27, 9), (6, 26), (14, 27)}
    if (x, y) in stars:
        return WHITE
    if x in (1, 30) or y in (1, 30) or not inside_tile(x - 1, y) or not inside_tile(x + 1, y) \
            or not inside_tile(x, y - 1) or not inside_tile(x, y + 1):
        return SILVER
    return NAVY


def icon_bytes():
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]

    # Colour bits, 4 bits a pixel, rows from the bottom up.
    xor = bytearray()
    for row in reversed(rows):
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not None else BLACK
            lo = row[x + 1] if row[x + 1] is not None else BLACK
            xor.append(hi << 4 | lo)

    # Transparency mask, 1 bit a pixel (1 = transparent), rows of 4 bytes.
    mask = bytearray()
    for row in reversed(rows):
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is None else 0)
        mask += bits.to_bytes(4, "big")

    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)

    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    target = pathlib.Path(__file__).resolve().parent.parent / "resources" / "updater.ico"
    target.write_bytes(icon_bytes())
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
