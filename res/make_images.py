#!/usr/bin/env python3
"""Draws the program icon (duplix.ico), the notifier's trouble icon
(trouble.ico: the program icon with a warning mark) and the link cursor
(link.cur).

The images are drawn here, pixel by pixel, and written in the icon and cursor
file formats that the resource compiler reads. Run it from any folder; it
writes next to itself. The generated files are kept in the repository, so a
build does not need Python.
"""
import os
import struct

# The 16 colours of the standard VGA palette, as (r, g, b).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DGREY, LGREY, WHITE = 0, 8, 7, 15
NAVY, BLUE, TEAL, RED = 4, 12, 6, 9
YELLOW = 11
CLEAR = None  # transparent: AND-mask bit set, colour 0


def blank(size):
    return [[CLEAR] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def page(img, x0, y0, x1, y1, ear, lines):
    """A sheet of paper with a folded corner and a few lines of text."""
    rect(img, x0, y0, x1, y1, WHITE)
    for x in range(x0, x1 + 1):
        img[y0][x] = BLACK
        img[y1][x] = BLACK
    for y in range(y0, y1 + 1):
        img[y][x0] = BLACK
        img[y][x1] = BLACK
    for i in range(ear):  # cut the top right corner into a dog-ear
        for x in range(x1 - ear + 1 + i, x1 + 1):
            img[y0 + i][x] = CLEAR
        img[y0 + i][x1 - ear + i] = BLACK
        img[y0 + ear - 1][x1 - ear + 1 + i] = BLACK
    img[y0 + ear - 1][x1] = BLACK
    for y in range(y0 + ear, y1 + 1):
        img[y][x1] = BLACK
    for n, (colour, length) in enumerate(lines):
        y = y0 + ear + 1 + 2 * n
        if y >= y1 - 1:
            break
        for x in range(x0 + 2, min(x0 + 2 + length, x1 - 1)):
            img[y][x] = colour


def arrow(img, x0, y, x1, colour):
    """A right-pointing arrow: shaft from x0 to x1 with a head at x1."""
    for x in range(x0, x1 - 3):
        img[y][x] = colour
        img[y + 1][x] = colour
    for i in range(4):  # the head narrows by one pixel per column
        for dy in range(-3 + i, 5 - i):
            img[y + dy][x1 - 3 + i] = colour


def icon32():
    img = blank(32)
    text = [(DGREY, 9), (DGREY, 7), (DGREY, 10), (DGREY, 6), (DGREY, 8),
            (DGREY, 9), (DGREY, 5)]
    page(img, 3, 1, 18, 22, 5, text)
    page(img, 12, 8, 28, 30, 5, [(NAVY, 10)] + [(BLUE, n) for n in (8, 11, 7, 10, 9, 6)])
    arrow(img, 1, 25, 11, RED)
    return img


def icon16():
    img = blank(16)
    page(img, 1, 0, 9, 11, 3, [(DGREY, 5), (DGREY, 4), (DGREY, 5), (DGREY, 3)])
    page(img, 6, 4, 14, 15, 3, [(NAVY, 5), (BLUE, 4), (BLUE, 5), (BLUE, 3)])
    for x in range(0, 5):
        img[13][x] = RED
    img[12][4] = RED
    img[14][4] = RED
    img[13][5] = RED
    return img


def warning(img, cx, top, height):
    """A yellow triangle with a black edge and a bold black exclamation mark,
    its apex at (cx, top); it widens by one pixel each side every second row."""
    for i in range(height):
        half = i // 2
        for x in range(cx - half, cx + half + 1):
            edge = i == height - 1 or x in (cx - half, cx + half)
            img[top + i][x] = BLACK if edge else YELLOW
    for y in list(range(top + 6, top + height - 6)) + [top + height - 4, top + height - 3]:
        for x in range(cx - 1, cx + 2):
            img[y][x] = BLACK


# The small warning mark, drawn by hand: K black, Y yellow, . transparent,
# so that the pages' edges do not run into it.
WARNING16 = """
....K....
...KYK...
...KYK...
..KYKYK..
..KYKYK..
.KYYKYYK.
.KYYYYYK.
KYYYKYYYK
KKKKKKKKK
"""


def trouble32():
    img = icon32()
    warning(img, 23, 14, 18)
    return img


def trouble16():
    img = icon16()
    colours = {"K": BLACK, "Y": YELLOW, ".": CLEAR}
    for y, row in enumerate(WARNING16.strip("\n").split("\n")):
        for x, ch in enumerate(row):
            img[7 + y][7 + x] = colours[ch]
    return img


# The hand cursor: X outline, o fill, g shade, . transparent. Finger tip at (6, 1).
HAND = """
................................
......XX........................
.....XooX.......................
.....XogX.......................
.....XogX.......................
.....XogX.......................
.....XogXXX.....................
.....XogXogXXX..................
.....XogXogXogXX................
.....XogXogXogXoX...............
.XX..XogXogXogXogX..............
XooX.XoooooooooogX..............
XoogXXoooooooooogX..............
.XogXXoooooooooogX..............
..XogXoooooooooogX..............
..XoggoooooooooogX..............
...XoooooooooooogX..............
...XooooooooooooX...............
....XoooooooooogX...............
....XooooooooooX................
.....XoooooooogX................
.....XoooooooogX................
.....XXXXXXXXXXX................
"""


def cursor_pixels():
    rows = [r for r in HAND.strip("\n").split("\n")]
    img = blank(32)
    shade = {"X": 0, "o": 255, "g": 128}
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch in shade:
                img[y][x] = shade[ch]
    return img


def dib(img, bpp, palette):
    """BITMAPINFOHEADER, palette, colour bits and AND mask of one image."""
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0,
                         len(palette), 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    colour = bytearray()
    mask = bytearray()
    row_bytes = ((size * bpp + 31) // 32) * 4
    mask_bytes = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # DIBs are stored bottom-up
        bits = 0
        nbits = 0
        line = bytearray()
        mline = bytearray(mask_bytes)
        for x in range(size):
            v = img[y][x]
            if v is None:
                mline[x // 8] |= 0x80 >> (x % 8)
                v = 0
            bits = (bits << bpp) | v
            nbits += bpp
            if nbits == 8:
                line.append(bits)
                bits = 0
                nbits = 0
        line.extend(b"\0" * (row_bytes - len(line)))
        colour += line
        mask += mline
    return header + pal + bytes(colour) + bytes(mask)


def write_icon(path, images):
    count = len(images)
    offset = 6 + 16 * count
    head = struct.pack("<HHH", 0, 1, count)
    entries = b""
    blobs = b""
    for img in images:
        data = dib(img, 4, VGA)
        size = len(img)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        blobs += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(head + entries + blobs)


def write_cursor(path, img, hot_x, hot_y):
    palette = [(i, i, i) for i in range(256)]
    data = dib(img, 8, palette)
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hot_x, hot_y, len(data), 6 + 16)
    with open(path, "wb") as f:
        f.write(head + entry + data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(here, "duplix.ico"), [icon32(), icon16()])
    write_icon(os.path.join(here, "trouble.ico"), [trouble32(), trouble16()])
    write_cursor(os.path.join(here, "link.cur"), cursor_pixels(), 6, 1)


if __name__ == "__main__":
    main()
