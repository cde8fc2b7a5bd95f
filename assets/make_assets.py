#!/usr/bin/env python3
"""Draws the program's own icon and hand cursors and writes them in the
Windows icon, cursor and bitmap formats: maskfold.ico (48, 32 and 16 pixels,
256 colours), hand.cur and about_hand.cur (32 x 32, monochrome, hot spot on
the fingertip), and splash.bmp (the splash window's picture).

Run from anywhere; writes beside this script."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Palette indices of the icon.
CLEAR, NAVY, WHITE, SKY, INK = 0, 1, 2, 3, 4
PALETTE = {CLEAR: (0, 0, 0), NAVY: (0x1F, 0x3A, 0x68), WHITE: (0xF4, 0xF4, 0xF4),
           SKY: (0x5B, 0x9B, 0xD5), INK: (0x10, 0x18, 0x28)}


def icon_pixels(size):
    """A round navy badge carrying a white eye mask with two eye holes."""
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = x - c, y - c
            d = math.hypot(dx, dy)
            if d > r:
                row.append(CLEAR)
                continue
            colour = NAVY if d < r - max(1.0, size / 24) else INK
            # The mask: a wide ellipse across the middle, dipping at the nose.
            mx, my = dx / (r * 0.82), (dy + r * 0.05) / (r * 0.36)
            if mx * mx + my * my <= 1.0 and not (abs(dx) < r * 0.12 and dy > r * 0.12):
                colour = WHITE
                for side in (-1, 1):
                    ex, ey = (dx - side * r * 0.38) / (r * 0.2), (dy + r * 0.02) / (r * 0.13)
                    if ex * ex + ey * ey <= 1.0:
                        colour = NAVY
            # A light fold line under the mask.
            if abs(dy - r * 0.55) < max(0.6, size / 40) and abs(dx) < r * 0.5:
                colour = SKY
            row.append(colour)
        rows.append(row)
    return rows


def mask_bits(rows):
    out = bytearray()
    for row in reversed(rows):
        stride = ((len(row) + 31) // 32) * 4
        line = bytearray(stride)
        for i, on in enumerate(row):
            if on:
                line[i // 8] |= 0x80 >> (i % 8)
        out += line
    return bytes(out)


def bmp_8bit(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0)
                       for r, g, b in (PALETTE.get(i, (0, 0, 0)) for i in range(256)))
    xor = b''.join(bytes(row) for row in reversed(rows))
    return header + palette + xor + mask_bits([[p == CLEAR for p in row] for row in rows])


def write_icon(path, sizes):
    images = [bmp_8bit(icon_pixels(s)) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


# The hand: '#' outline (black), 'o' fill (white), anything else transparent.
HAND = """
......##
.....#oo#
.....#oo#
.....#oo#
.....#oo#
.....#oo###
.....#oo#oo###
.....#oo#oo#oo##
.##..#oo#oo#oo#o#
#oo#.#oooooooo#o#
#ooo##oooooooooo#
.#oo#ooooooooooo#
..#ooooooooooooo#
..#oooooooooooo#
...#ooooooooooo#
...#oooooooooo#
....#ooooooooo#
....#ooooooooo#
....###########
"""


# The About window's own pointer: a small hand in the top-left quarter with
# the fingertip on the hot spot (0, 0).
ABOUT_HAND = """
##
#o#
#o#
#o###
#o#o###
#o#o#o##
#oooooo#o#
#oooooooo#
#oooooooo#
.#oooooo#
.#oooooo#
..######
"""


def write_cursor(path, art, hotspot):
    lines = [line for line in art.strip('\n').split('\n')]
    size = 32
    white = [[False] * size for _ in range(size)]
    clear = [[True] * size for _ in range(size)]
    for y, line in enumerate(lines):
        for x, ch in enumerate(line):
            if ch in '#o':
                clear[y][x] = False
                white[y][x] = ch == 'o'
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    data = header + palette + mask_bits(white) + mask_bits(clear)
    out = struct.pack('<HHH', 0, 2, 1)
    out += struct.pack('<BBBBHHII', size, size, 0, 0, hotspot[0], hotspot[1], len(data), 22)
    with open(path, 'wb') as f:
        f.write(out + data)


def bmp_file(width, height, palette, rows):
    """A Windows bitmap file, 8 bits a pixel: what the resource compiler
    takes for a BITMAP resource and GDI draws without any decoder."""
    stride = (width + 3) // 4 * 4
    pixels = b''.join(bytes(row) + bytes(stride - width) for row in reversed(rows))
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + colours + pixels


def write_splash(path):
    """The splash image, 189 x 280: the badge on a dark field, a light band
    under it where the start-up dots sit."""
    width, height = 189, 280
    palette = [PALETTE[i] for i in (CLEAR, NAVY, WHITE, SKY, INK)] + [(0x16, 0x2A, 0x4C)]
    field = 5
    badge = icon_pixels(120)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            colour = field
            bx, by = x - (width - 120) // 2, y - 24
            if 0 <= bx < 120 and 0 <= by < 120 and badge[by][bx] != CLEAR:
                colour = badge[by][bx]
            elif 150 <= y < 156:
                colour = SKY
            row.append(colour)
        rows.append(row)
    with open(path, 'wb') as f:
        f.write(bmp_file(width, height, palette, rows))


if __name__ == '__main__':
    write_icon(os.path.join(HERE, 'maskfold.ico'), [48, 32, 16])
    write_cursor(os.path.join(HERE, 'hand.cur'), HAND, (6, 0))
    write_cursor(os.path.join(HERE, 'about_hand.cur'), ABOUT_HAND, (0, 0))
    write_splash(os.path.join(HERE, 'splash.bmp'))
