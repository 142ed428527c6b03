"""make screenshots: the pictures of the README, taken under Xvfb.

Runs inside tests/scripts/with-testenv:
    screenshots.py --build build/windows --out docs

Starts Wendrask.exe and, for each of the five placement modes, chooses it in
the settings dialog (N = 8 in the dot modes, the default 100 mm with
"Ratio 1:1" in the size modes), copies the sample bitmap and renders the
captured page small, with a grey line round the paper: OUT/mode-N.png.
Then the main window after that last print (OUT/main-window.png) and the
settings dialog as it opens (OUT/settings-dialog.png).
"""
import argparse
import os
import subprocess
import sys
import tempfile

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts")
sys.path.insert(0, SCRIPTS)
import pagemeasure  # noqa: E402
import wendrask_test as wt  # noqa: E402
import xshot  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("--build", required=True)
parser.add_argument("--out", required=True)
args = parser.parse_args()

BUILD = os.path.abspath(args.build)
HELPERS = os.path.join(BUILD, "tests", "windows", "helpers")
SAMPLE = os.path.join(wt.REPO, "tests", "samples", "sample.bmp")
MODES = [
    ("fit", []),
    ("1 dot = N printer pixel (Left)", ["tab", "text:8"]),
    ("1 dot = N printer pixel (Center)", ["tab", "text:8"]),
    ("Specify the printing size (Left)", []),
    ("Specify the printing size (Center)", []),
]
THUMBNAIL_DPI = 30
FRAME = b"\xa0\xa0\xa0"


helpers = wt.Helpers(HELPERS)
ui, clip = helpers.ui, helpers.clip_out


def thumbnail(job, path):
    """The job's page at 30 dpi, smoothed, framed in grey."""
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "page.ppm")
        subprocess.run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw",
                        f"-r{THUMBNAIL_DPI}", "-dDOINTERPOLATE", "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4",
                        f"-sOutputFile={ppm}", job.path], check=True, stdin=subprocess.DEVNULL)
        page = pagemeasure.read_ppm(ppm)
    rows = [bytearray(row) for row in page.rows]
    for y, row in enumerate(rows):
        if y in (0, page.height - 1):
            row[:] = FRAME * page.width
        row[0:3] = row[-3:] = FRAME
    xshot.write_png(path, page.width, page.height, [bytes(r) for r in rows])


def set_mode(caption, keys):
    ui("keys", "--title", "Wendrask", "--exe", "Wendrask.exe", "alt+s")
    ui("wait-window", "--title", "Set", "--exe", "Wendrask.exe", "--timeout", "10000")
    ui("click", "--title", "Set", "--exe", "Wendrask.exe", "--child", caption)
    if keys:
        ui("keys", "--title", "Set", "--exe", "Wendrask.exe", *keys)
    ui("keys", "--title", "Set", "--exe", "Wendrask.exe", "enter")
    ui("wait-gone", "--title", "Set", "--exe", "Wendrask.exe", "--timeout", "10000")


def main():
    os.makedirs(args.out, exist_ok=True)
    clip("empty")
    with wt.WendraskRun(helpers, os.path.join(BUILD, "Wendrask.exe")) as app:
        jobs = wt.JobWatcher()
        for number, (caption, keys) in enumerate(MODES):
            set_mode(caption, keys)
            clip("file", SAMPLE)
            path = os.path.join(args.out, f"mode-{number}.png")
            thumbnail(jobs.next_job(timeout=30), path)
            print(f"{path}: {caption}")
        path = os.path.join(args.out, "main-window.png")
        subprocess.run([sys.executable, os.path.join(SCRIPTS, "xshot.py"), "--wait", "10", "--name", "Wendrask",
                        path], check=True, stdout=subprocess.DEVNULL)
        print(f"{path}: the main window after the last print")
        ui("keys", "--title", "Wendrask", "--exe", "Wendrask.exe", "alt+s")
        ui("wait-window", "--title", "Set", "--exe", "Wendrask.exe", "--timeout", "10000")
        path = os.path.join(args.out, "settings-dialog.png")
        subprocess.run([sys.executable, os.path.join(SCRIPTS, "xshot.py"), "--wait", "10", "--name", "Set", path],
                       check=True, stdout=subprocess.DEVNULL)
        print(f"{path}: the settings dialog")
        ui("keys", "--title", "Set", "--exe", "Wendrask.exe", "escape")
        ui("close", "--title", "Wendrask", "--exe", "Wendrask.exe")
        app.exit_code()


main()
