#!/usr/bin/env python3
"""Draws the editor's icon and its two picture-drag cursors and writes them
as .ico and .cur files (32-bit images with an AND mask). Run it again after
changing a drawing; the files it writes are kept in the tree."""
import struct
import sys
from pathlib import Path


def canvas(n):
    return [[(0, 0, 0, 0)] * n for _ in range(n)]


def put(img, x, y, c):
    if 0 <= y < len(img) and 0 <= x < len(img):
        img[y][x] = c


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1):
        for x in range(x0, x1):
            put(img, x, y, c)


def disc(img, cx, cy, r, c):
    for y in range(int(cy - r) - 1, int(cy + r) + 2):
        for x in range(int(cx - r) - 1, int(cx + r) + 2):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                put(img, x, y, c)


def icon(n):
    """A rounded blue page with three lyric lines, the first half wiped in
    orange, and a note in the corner."""
    s = n / 32.0
    img = canvas(n)
    blue, white, orange, grey, dark = (0xD0, 0x70, 0x20, 255), (255, 255, 255, 255), (0x20, 0xA0, 0xFF, 255), \
        (0xC8, 0xC8, 0xC8, 255), (0x60, 0x30, 0x10, 255)
    rect(img, int(2 * s), int(2 * s), int(30 * s), int(30 * s), blue)
    rect(img, int(4 * s), int(4 * s), int(28 * s), int(28 * s), white)
    for i, wiped in enumerate((20, 12, 0)):
        y = int((8 + 6 * i) * s)
        rect(img, int(7 * s), y, int(25 * s), y + max(1, int(3 * s)), grey)
        if wiped:
            rect(img, int(7 * s), y, int((7 + wiped) * s), y + max(1, int(3 * s)), orange)
    disc(img, 20 * s, 25 * s, 2.6 * s, dark)
    rect(img, int(22 * s), int(17 * s), int(23.5 * s) + 1, int(25 * s), dark)
    rect(img, int(22 * s), int(17 * s), int(26 * s), int(18.5 * s) + 1, dark)
    return img


def arrow(img, c_fill, c_edge):
    """The arrow of a cursor, hot spot at (0, 0)."""
    for y in range(17):
        for x in range(y // 1 + 1):
            if x <= y * 0.62:
                put(img, x, y, c_edge if x == 0 or x >= int(y * 0.62) or y == 16 else c_fill)


def cursor(drop):
    img = canvas(32)
    black, white = (0, 0, 0, 255), (255, 255, 255, 255)
    arrow(img, white, black)
    # A small picture frame below the arrow; over the list it carries a
    # plus, elsewhere a bar that says "not here".
    rect(img, 12, 16, 28, 28, black)
    rect(img, 13, 17, 27, 27, white)
    if drop:
        rect(img, 19, 18, 21, 26, black)
        rect(img, 16, 21, 24, 23, black)
    else:
        disc(img, 20, 22, 4.5, (0, 0, 0xC0, 255))
        disc(img, 20, 22, 3.0, white)
        for i in range(-3, 4):
            put(img, 20 + i, 22 - i, (0, 0, 0xC0, 255))
            put(img, 21 + i, 22 - i, (0, 0, 0xC0, 255))
    return img


def dib(img):
    n = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes(img[y][x]) for y in reversed(range(n)) for x in range(n))
    row = ((n + 31) // 32) * 4
    mask = b''
    for y in reversed(range(n)):
        bits = bytearray(row)
        for x in range(n):
            if img[y][x][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + xor + mask


def container(images, kind, hotspots=None):
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for i, img in enumerate(images):
        n = len(img)
        blob = dib(img)
        a, b = (1, 32) if kind == 1 else hotspots[i]
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


def main():
    here = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    (here / 'mredit.ico').write_bytes(container([icon(32), icon(16)], 1))
    (here / 'drag_no_drop.cur').write_bytes(container([cursor(False)], 2, [(0, 0)]))
    (here / 'drag_drop.cur').write_bytes(container([cursor(True)], 2, [(0, 0)]))


if __name__ == '__main__':
    main()
