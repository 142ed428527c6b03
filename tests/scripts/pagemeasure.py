"""Renders captured PostScript jobs and measures what landed on the page.

Pages are rendered by Ghostscript at the printer's resolution (300 dpi for the
Capture printer) without anti-aliasing or image interpolation, so a stretched
bitmap's edges fall on whole pixels and colours stay as drawn. Coordinates are
page pixels, origin at the top-left corner of the paper; Wine's printer device
context has its origin at the printable area's corner, so GDI's (x, y) is
page pixel (x + PHYSICALOFFSETX, y + PHYSICALOFFSETY) = (x + 75, y + 100) on
the Capture printer. Boxes are (left, top, right, bottom), right and bottom
exclusive.
"""

import os
import subprocess
import tempfile

DPI = 300
WHITE = (255, 255, 255)


class Page:
    """One rendered page: width, height and rows of packed RGB bytes."""

    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise ValueError(f"pixel ({x}, {y}) is off the {self.width}x{self.height} page")
        row = self.rows[y]
        return tuple(row[3 * x:3 * x + 3])

    def bbox(self, background=WHITE):
        """Box of the pixels that differ from background, or None on a blank page."""
        bg = bytes(background)
        top = bottom = None
        left, right = self.width, 0
        blank = bg * self.width
        for y, row in enumerate(self.rows):
            if row == blank:
                continue
            if top is None:
                top = y
            bottom = y + 1
            if bg == b"\xff\xff\xff" or bg == b"\x00\x00\x00":
                # Fast path: strip runs of the background byte, then round to
                # whole pixels (a pixel may share a byte value with the
                # background in one channel only).
                b = bg[:1]
                lead = (len(row) - len(row.lstrip(b))) // 3
                trail = (len(row.rstrip(b)) + 2) // 3
            else:
                lead = next(x for x in range(self.width) if row[3 * x:3 * x + 3] != bg)
                trail = next(x for x in range(self.width, 0, -1) if row[3 * x - 3:3 * x] != bg)
            left = min(left, lead)
            right = max(right, trail)
        if top is None:
            return None
        return (left, top, right, bottom)


def read_ppm(path):
    """Reads a binary PPM (P6, maxval 255) into a Page."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1  # the single whitespace byte before the raster
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    stride = 3 * width
    raster = data[pos:pos + stride * height]
    if len(raster) != stride * height:
        raise ValueError(f"{path}: raster too short")
    rows = [raster[i:i + stride] for i in range(0, len(raster), stride)]
    return Page(width, height, rows)


def render(ps_path, dpi=DPI):
    """Renders every page of a PostScript file; returns a list of Pages."""
    with tempfile.TemporaryDirectory(prefix="wendrask-pages-") as tmp:
        out = os.path.join(tmp, "page-%04d.ppm")
        cmd = ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dNOINTERPOLATE",
               "-sDEVICE=ppmraw", f"-r{dpi}", "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1",
               f"-sOutputFile={out}", ps_path]
        result = subprocess.run(cmd, stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError(f"ghostscript failed on {ps_path}: {result.stderr.strip() or result.stdout.strip()}")
        names = sorted(n for n in os.listdir(tmp) if n.endswith(".ppm"))
        return [read_ppm(os.path.join(tmp, n)) for n in names]


def colour_hex(rgb):
    return "%02x%02x%02x" % rgb


def render_png(ps_path, png_path, dpi=30, page=1):
    """Writes one page of a job as a small PNG (for pictures of the printed
    page; anti-aliased, unlike the measuring render)."""
    cmd = ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", f"-r{dpi}",
           "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4", f"-dFirstPage={page}", f"-dLastPage={page}",
           f"-sOutputFile={png_path}", ps_path]
    result = subprocess.run(cmd, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0 or not os.path.exists(png_path):
        raise RuntimeError(f"ghostscript could not render {ps_path}: {result.stderr.strip()}")
