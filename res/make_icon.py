#!/usr/bin/env python3
"""Draws Ostrel's icon (a sheet of paper with a padlock-red corner under a
magnifying glass) and writes res/Ostrel.ico with 16, 32 and 48 pixel images.
Pure Python, no libraries: the icon is reproducible from this file alone."""
import math
import struct
import sys


def draw(size):
    s = size / 32.0
    px = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def put(x, y, c):
        if 0 <= x < size and 0 <= y < size:
            px[y][x] = c

    # The sheet: white with a grey border, folded corner in red.
    x0, y0, x1, y1 = int(5 * s), int(2 * s), int(22 * s), int(28 * s)
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            edge = x in (x0, x1) or y in (y0, y1)
            put(x, y, (110, 110, 110, 255) if edge else (250, 250, 250, 255))
    fold = int(6 * s)
    for y in range(y0, y0 + fold):
        for x in range(x1 - fold + (y - y0), x1 + 1):
            put(x, y, (200, 40, 40, 255))
    # Text lines on the sheet.
    for k in range(4):
        y = int((9 + 4 * k) * s)
        for x in range(int(8 * s), int(18 * s)):
            put(x, y, (150, 170, 200, 255))
    # The magnifying glass: a blue ring and a dark handle.
    cx, cy, r = 19 * s, 18 * s, 7 * s
    for y in range(size):
        for x in range(size):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if r - 1.8 * s <= d <= r:
                put(x, y, (30, 90, 200, 255))
            elif d < r - 1.8 * s:
                r0, g0, b0, a0 = px[y][x]
                px[y][x] = (int(r0 * 0.7 + 200 * 0.3), int(g0 * 0.7 + 225 * 0.3), int(b0 * 0.7 + 255 * 0.3), 255) if a0 else (200, 225, 255, 200)
    for t in range(int(9 * s)):
        hx, hy = cx + (r - 0.5) * 0.707 + t * 0.707, cy + (r - 0.5) * 0.707 + t * 0.707
        for w in range(-max(1, int(1.5 * s)), max(1, int(1.5 * s)) + 1):
            put(int(hx + w * 0.707), int(hy - w * 0.707), (50, 50, 60, 255))
            put(int(hx + w * 0.707) + 1, int(hy - w * 0.707), (50, 50, 60, 255))
    return px


def bmp_payload(px):
    size = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(struct.pack('<BBBB', b, g, r, a) for row in reversed(px) for (r, g, b, a) in row)
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main(path):
    sizes = [16, 32, 48]
    images = [bmp_payload(draw(n)) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/Ostrel.ico')
