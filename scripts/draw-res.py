#!/usr/bin/env python3
"""Draws the program's icon (res/Vorlix.ico: 16x16 and 32x32, 16 colours)
and the link cursor (res/LinkHand.cur: 32x32 monochrome, hot spot 6,0).
The files are committed; run this only to change them."""
import struct
from pathlib import Path

RES = Path(__file__).resolve().parent.parent / "res"

# The standard 16-colour palette, in its usual order.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, OLIVE, GRAY, YELLOW, WHITE = 0, 1, 3, 8, 11, 15
CLEAR = None


def blank(size):
    return [[CLEAR] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, fill, outline=BLACK):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            edge = x in (x0, x1) or y in (y0, y1)
            img[y][x] = outline if edge else fill


def line(img, x0, y0, x1, y1, colour, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0))
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        for dx in range(width):
            img[y][x + dx] = colour


def icon_image(size):
    s = size / 32
    p = lambda v: int(v * s)
    img = blank(size)
    # A folder...
    rect(img, p(2), p(7), p(13), p(11), OLIVE)
    rect(img, p(2), p(10), p(29), p(28), YELLOW)
    # ...and a broom sweeping across it.
    line(img, p(28), p(1), p(15), p(19), MAROON, 2 if size == 32 else 1)
    for i in range(p(9)):
        y = p(19) + i
        half = 2 + i * 2 // 3 if size == 32 else 1 + i // 2
        cx = p(14) - i // 3
        for x in range(cx - half, cx + half + 1):
            if 0 <= x < size and y < size:
                edge = x in (cx - half, cx + half) or i == p(9) - 1
                img[y][x] = BLACK if edge else (OLIVE if (x + i) % 3 == 0 else MAROON if i == 0 else YELLOW)
    return img


def dib(img, colours):
    """BITMAPINFOHEADER, palette, XOR bitmap (4 or 1 bpp) and AND mask, bottom-up."""
    size = len(img)
    bpp = 4 if colours == 16 else 1
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in
                       (PALETTE if colours == 16 else [(0, 0, 0), (255, 255, 255)]))
    xor_rows, and_rows = [], []
    for row in reversed(img):
        bits = "".join("1" if v is CLEAR else "0" for v in row)
        mask = int(bits, 2).to_bytes(size // 8, "big")
        and_rows.append(mask + b"\0" * (-len(mask) % 4))
        if bpp == 4:
            nibbles = [0 if v is CLEAR else v for v in row]
            data = bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, size, 2))
        else:
            data = int("".join("1" if v == WHITE else "0" for v in row), 2).to_bytes(size // 8, "big")
        xor_rows.append(data + b"\0" * (-len(data) % 4))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def write_icon():
    images = [dib(icon_image(n), 16) for n in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    (RES / "Vorlix.ico").write_bytes(out + b"".join(images))


HAND = """
......##
.....#oo#
.....#oo#
.....#oo#
.....#oo#
.....#oo###
.....#oo#oo###
.....#oo#oo#oo##
.....#oo#oo#oo#o#
.##..#oo#oo#oo#oo#
#oo#.#ooooooooooo#
#ooo##ooooooooooo#
.#ooooooooooooooo#
..#oooooooooooooo#
..#oooooooooooooo#
...#ooooooooooooo#
...#oooooooooooo#
....#ooooooooooo#
....#oooooooooo#
.....#ooooooooo#
.....#ooooooooo#
.....###########
"""


def write_cursor():
    img = blank(32)
    for y, row in enumerate(HAND.strip("\n").splitlines()):
        for x, c in enumerate(row):
            img[y][x] = {"#": BLACK, "o": WHITE}.get(c, CLEAR)
    data = dib(img, 2)
    hot_x, hot_y = 6, 0
    out = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", 32, 32, 2, 0, hot_x, hot_y, len(data), 22)
    (RES / "LinkHand.cur").write_bytes(out + data)


if __name__ == "__main__":
    write_icon()
    write_cursor()
