#!/usr/bin/env python3
"""Writes Kavrost.ico: a yellow exclamation mark on a red spiked burst.

Two 8-bit images, 32x32 and 16x16, each a DIB with a 256-entry palette,
bottom-up colour rows and a 1-bit transparency mask. Standard library only.

    python3 res/make_icon.py res/Kavrost.ico
"""
import math
import struct
import sys

# Palette indices; the remaining entries stay black.
TRANSPARENT, RED, DARK_RED, YELLOW, AMBER = 0, 1, 2, 3, 4
PALETTE = {
    TRANSPARENT: (0, 0, 0),
    RED: (220, 30, 20),
    DARK_RED: (120, 0, 0),
    YELLOW: (255, 230, 0),
    AMBER: (200, 140, 0),
}

def spikes(size):
    return 12 if size >= 32 else 8


def burst_radius(angle, outer, inner, count):
    """Radius of the spiked outline at the given angle (straight-edged star)."""
    step = 2 * math.pi / count
    t = (angle % step) / step            # 0 at a spike tip, 0.5 at a notch
    t = 2 * t if t < 0.5 else 2 * (1 - t)
    return outer + (inner - outer) * t


def inside_burst(x, y, size):
    c = size / 2
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    a = math.atan2(dy, dx) + math.pi / 2  # a spike points straight up
    return r <= burst_radius(a, size * 0.5, size * 0.36, spikes(size))


def exclamation(x, y, size):
    """YELLOW for the mark itself, AMBER for its shadow edge, None elsewhere."""
    c = size / 2
    half = size * 0.07 if size >= 32 else 1.0
    bar_top, bar_bottom = size * 0.20, size * 0.60
    dot_top, dot_bottom = size * 0.68, size * 0.80
    if size < 32:
        bar_top, bar_bottom, dot_top, dot_bottom = 3, 10, 11, 13
    in_bar = abs(x - c) <= half and bar_top <= y <= bar_bottom
    in_dot = abs(x - c) <= half and dot_top <= y <= dot_bottom
    if in_bar or in_dot:
        return YELLOW
    # a one-pixel shadow to the right and below keeps the large mark readable
    if size < 32:
        return None
    sx, sy = x - 1, y - 1
    if abs(sx - c) <= half and (bar_top <= sy <= bar_bottom or dot_top <= sy <= dot_bottom):
        return AMBER
    return None


def pixel(px, py, size):
    """Palette index of the pixel whose top-left corner is (px, py)."""
    x, y = px + 0.5, py + 0.5
    if not inside_burst(x, y, size):
        return TRANSPARENT
    mark = exclamation(x, y, size)
    if mark is not None:
        return mark
    # a darker rim along the outline
    step = 0.75 if size >= 32 else 0.6
    for dx, dy in ((step, 0), (-step, 0), (0, step), (0, -step)):
        if not inside_burst(x + dx, y + dy, size):
            return DARK_RED
    return RED


def dib(size):
    rows = [[pixel(px, py, size) for px in range(size)] for py in range(size)]
    colour_row = (size + 3) & ~3
    mask_row = ((size + 31) // 32) * 4
    image_size = colour_row * size + mask_row * size

    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 8, 0,
                         image_size, 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0)
                       for r, g, b in (PALETTE.get(i, (0, 0, 0)) for i in range(256)))
    colours = bytearray()
    mask = bytearray()
    for row in reversed(rows):                    # bottom row first
        colours += bytes(row) + bytes(colour_row - size)
        bits = bytearray(mask_row)
        for px, index in enumerate(row):
            if index == TRANSPARENT:              # 1 = show what lies behind
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    data = header + palette + bytes(colours) + bytes(mask)
    assert len(data) == 40 + 1024 + image_size
    return data


def main(path):
    images = [dib(32), dib(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Kavrost.ico')
