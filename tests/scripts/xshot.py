#!/usr/bin/env python3
"""xshot.py [--wait SECONDS] (--name TITLE | --root) (OUT.png | --check)

Saves a screenshot of the X display in $DISPLAY as a PNG: the whole screen
(--root) or the viewable top-level window whose name is TITLE (for a Wine
window, its caption), the largest if several match. --wait keeps looking for
the window that long; --check only looks (exit status 1 if it is not there). Uses xwininfo and xwd
(x11-utils, x11-apps); the PNG is written with the standard library only.
Also usable as a module: grab(name) -> (width, height, rows), write_png().
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import time
import zlib


def find_window(name):
    """X id of the largest viewable top-level window named exactly name."""
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True,
                          check=True).stdout
    best = None
    for m in re.finditer(r'^\s+(0x[0-9a-f]+) "(.*)": .*?\s(\d+)x(\d+)\+', tree, re.M):
        if m.group(2) != name:
            continue
        wid, w, h = m.group(1), int(m.group(3)), int(m.group(4))
        info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        if "IsViewable" not in info:
            continue
        if best is None or w * h > best[1]:
            best = (wid, w * h)
    if best is None:
        raise LookupError(f'no viewable window named "{name}" on {os.environ.get("DISPLAY")}')
    return best[0]


def read_xwd(data):
    """Decodes a TrueColor ZPixmap XWD dump: (width, height, rows of RGB bytes)."""
    fields = struct.unpack(">25I", data[:100])
    header_size, _, pixmap_format, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("only 24/32-bit ZPixmap dumps are supported")
    start = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"
    shifts = [(m, (m & -m).bit_length() - 1) for m in masks]
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        out = bytearray(3 * width)
        for x in range(width):
            v = int.from_bytes(line[x * step:x * step + step], order)
            for c, (mask, shift) in enumerate(shifts):
                out[3 * x + c] = (v & mask) >> shift
        rows.append(bytes(out))
    return width, height, rows


def grab(name=None):
    """Screenshot of a named window, or of the whole screen when name is None."""
    target = ["-root"] if name is None else ["-id", find_window(name)]
    data = subprocess.run(["xwd", "-silent", *target], capture_output=True, check=True).stdout
    return read_xwd(data)


def write_png(path, width, height, rows):
    """Writes 8-bit RGB rows as a PNG file."""
    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    ap = argparse.ArgumentParser(description="Screenshot of the X display as a PNG.")
    group = ap.add_mutually_exclusive_group(required=True)
    group.add_argument("--name")
    group.add_argument("--root", action="store_true")
    ap.add_argument("--wait", type=float, default=0)
    ap.add_argument("--check", action="store_true")
    ap.add_argument("out", nargs="?")
    args = ap.parse_args()
    if not args.check and not args.out:
        ap.error("name the PNG file to write, or give --check")
    try:
        if args.name is not None:
            deadline = time.monotonic() + args.wait
            while True:
                try:
                    find_window(args.name)
                    break
                except LookupError:
                    if time.monotonic() >= deadline:
                        raise
                    time.sleep(0.2)
        if args.check:
            return 0
        width, height, rows = grab(None if args.root else args.name)
        write_png(args.out, width, height, rows)
    except (LookupError, ValueError, OSError, subprocess.CalledProcessError) as e:
        print(f"xshot: {e}", file=sys.stderr)
        return 1
    print(f"{args.out} {width}x{height}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
