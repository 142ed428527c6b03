#!/usr/bin/env python3
"""Writes Wendrask.ico: a 32x32, 16-colour icon of a printer with a picture
on its sheet. Usage: tools/make-icon.py [OUTPUT] (default: Wendrask.ico)."""
import struct
import sys

# The standard 16-colour palette (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# '.' transparent; K black, D dark grey, L light grey, W white, B blue,
# G green, Y yellow, R red, C cyan.
INDEX = {'K': 0, 'D': 8, 'L': 7, 'W': 15, 'B': 12, 'G': 2, 'Y': 11, 'R': 9, 'C': 14}
ART = [
    "................................",
    "........KKKKKKKKKKKKKKKK........",
    "........KWWWWWWWWWWWWWWK........",
    "........KWCCCCCCCCCCCCWK........",
    "........KWCCCCCCCCYYCCWK........",
    "........KWCCCCCCCYYYYCWK........",
    "........KWCCCCCCCCYYCCWK........",
    "........KWCCCCGCCCCCCCWK........",
    "........KWCCCGGGCCCCCCWK........",
    "........KWCCGGGGGCCGCCWK........",
    "........KWCGGGGGGGGGGCWK........",
    "........KWGGGGGGGGGGGGWK........",
    "...KKKKKKWGGGGGGGGGGGGWKKKKKK...",
    "..KLLLLLKWWWWWWWWWWWWWWKLLLLLK..",
    ".KLLLLLLKKKKKKKKKKKKKKKKLLLLLLK.",
    ".KLLLLLLLLLLLLLLLLLLLLLLLLLLLLK.",
    ".KLLLLLLLLLLLLLLLLLLLLLLLLLLLLK.",
    ".KLLLLLLLLLLLLLLLLLLLLLLLLRRLLK.",
    ".KLLLLLLLLLLLLLLLLLLLLLLLLRRLLK.",
    ".KLLLLLLLLLLLLLLLLLLLLLLLLLLLLK.",
    ".KDDDDDDDDDDDDDDDDDDDDDDDDDDDDK.",
    ".KDDDDKKKKKKKKKKKKKKKKKKKKDDDDK.",
    ".KDDDDKWWWWWWWWWWWWWWWWWWKDDDDK.",
    ".KDDDDKWWWWWWWWWWWWWWWWWWKDDDDK.",
    ".KDDDDKWWWWWWWWWWWWWWWWWWKDDDDK.",
    ".KKKKKKWWWWWWWWWWWWWWWWWWKKKKKK.",
    "......KWWWWWWWWWWWWWWWWWWK......",
    "......KWWWWWWWWWWWWWWWWWWK......",
    "......KWWWWWWWWWWWWWWWWWWK......",
    "......KKKKKKKKKKKKKKKKKKKK......",
    "................................",
    "................................",
]


def build():
    assert len(ART) == 32 and all(len(row) == 32 for row in ART)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(ART):  # bottom-up
        pixels = [INDEX.get(c, 0) for c in row]
        for x in range(0, 32, 2):
            xor.append(pixels[x] << 4 | pixels[x + 1])
        bits = 0
        for x, c in enumerate(row):
            if c == '.':
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 32, 32, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == '__main__':
    with open(sys.argv[1] if len(sys.argv) > 1 else 'Wendrask.ico', 'wb') as out:
        out.write(build())
