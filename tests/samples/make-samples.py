#!/usr/bin/env python3
"""Writes the two sample pictures that `make run` copies to the clipboard.

sample.bmp  160 x 120, 24 bits, bottom-up: white, a 1-pixel black frame and a
            coloured block in each corner (red top-left, green top-right,
            blue bottom-left, yellow bottom-right), a grey diagonal band.
sample.emf  an enhanced metafile, frame 60 x 40 mm, reference device
            1024 x 768 pixels = 320 x 240 mm (3.2 pixels per mm): a blue
            rectangle over the whole frame with a red ellipse inside.
Run it again after changing it: python3 make-samples.py (writes beside itself).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bitmap(width=160, height=120):
    def colour(x, y):  # y from the top
        if x == 0 or y == 0 or x == width - 1 or y == height - 1:
            return (0, 0, 0)
        block = 24
        left, top = x < block, y < block
        right, bottom = x >= width - block, y >= height - block
        if top and left:
            return (255, 0, 0)
        if top and right:
            return (0, 255, 0)
        if bottom and left:
            return (0, 0, 255)
        if bottom and right:
            return (255, 255, 0)
        if abs(x * height - y * width) < 6 * width:
            return (128, 128, 128)
        return (255, 255, 255)

    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 11811, 11811, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def metafile():
    dev_px, dev_mm = (1024, 768), (320, 240)
    frame_mm = (60, 40)
    px = (frame_mm[0] * dev_px[0] // dev_mm[0], frame_mm[1] * dev_px[1] // dev_mm[1])  # 192 x 128
    records = []

    def record(kind, payload):
        records.append(struct.pack("<II", kind, 8 + len(payload)) + payload)

    EMR_CREATEBRUSHINDIRECT, EMR_SELECTOBJECT, EMR_DELETEOBJECT = 39, 37, 40
    EMR_RECTANGLE, EMR_ELLIPSE, EMR_EOF = 43, 42, 14
    NULL_PEN = 0x80000008
    record(EMR_SELECTOBJECT, struct.pack("<I", NULL_PEN))
    record(EMR_CREATEBRUSHINDIRECT, struct.pack("<IIII", 1, 0, 0x00C06000, 0))   # blue (0x00BBGGRR)
    record(EMR_SELECTOBJECT, struct.pack("<I", 1))
    record(EMR_RECTANGLE, struct.pack("<iiii", 0, 0, px[0], px[1]))
    record(EMR_CREATEBRUSHINDIRECT, struct.pack("<IIII", 2, 0, 0x000000E0, 0))   # red
    record(EMR_SELECTOBJECT, struct.pack("<I", 2))
    record(EMR_ELLIPSE, struct.pack("<iiii", px[0] // 6, px[1] // 6, px[0] * 5 // 6, px[1] * 5 // 6))
    record(EMR_DELETEOBJECT, struct.pack("<I", 1))
    record(EMR_DELETEOBJECT, struct.pack("<I", 2))
    record(EMR_EOF, struct.pack("<III", 0, 16, 20))

    header_size = 108
    total = header_size + sum(len(r) for r in records)
    header = struct.pack(
        "<II4i4iIIIIHHIIIiiiiIIIii",
        1, header_size,
        0, 0, px[0] - 1, px[1] - 1,                          # bounds, device pixels (inclusive)
        0, 0, frame_mm[0] * 100 - 1, frame_mm[1] * 100 - 1,  # frame, 0.01 mm (inclusive)
        0x464D4520, 0x10000, total, len(records) + 1, 3, 0,
        0, 0, 0,                                             # no description, no palette
        dev_px[0], dev_px[1], dev_mm[0], dev_mm[1],
        0, 0, 0,                                             # no pixel format, no OpenGL
        dev_mm[0] * 1000, dev_mm[1] * 1000)
    assert len(header) == header_size
    return header + b"".join(records)


def main():
    for name, data in (("sample.bmp", bitmap()), ("sample.emf", metafile())):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
