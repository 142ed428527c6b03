"""The whole print chain of the test environment, checked on paper.

PrintProbe (a MinGW program) reports the default printer's geometry, prints a
2x2 picture stretched over a rectangle, and finds no printer once the queue is
removed; the captured job is rendered and measured.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import wendrask_test as wt  # noqa: E402

probe = sys.argv[1]
failures = []


def check(what, got, want):
    if got != want:
        failures.append(f"{what}: got {got!r}, want {want!r}")


# Geometry as GDI sees it, from the Capture PPD.
caps = dict(line.split(" ", 1) for line in wt.run_exe(probe, "caps").stdout.splitlines())
check("printer", caps.get("printer"), "Capture")
for name, value in {"PHYSICALWIDTH": 2550, "PHYSICALHEIGHT": 3300, "HORZRES": 2425, "VERTRES": 3075,
                    "PHYSICALOFFSETX": 75, "PHYSICALOFFSETY": 100, "LOGPIXELSX": 300, "LOGPIXELSY": 300,
                    "SCREEN_LOGPIXELSX": int(os.environ.get("WENDRASK_DPI", "96"))}.items():
    check(name, int(caps.get(name, -1)), value)

# One job: its title, its page, the picture's rectangle and quadrants.
jobs = wt.JobWatcher()
wt.run_exe(probe, "print", "env smoke", "100", "200", "1100", "1400")
job = jobs.next_job(timeout=20)
check("title", job.title, "env smoke")
pages = job.pages()
check("pages", len(pages), 1)
page = pages[0]
check("size", (page.width, page.height), (2550, 3300))
check("bbox", page.bbox(), (175, 300, 1175, 1500))
for (x, y), colour in {(425, 600): (255, 0, 0), (925, 600): (0, 255, 0),
                       (425, 1200): (0, 0, 255), (925, 1200): (0, 0, 0)}.items():
    check(f"pixel {x},{y}", page.pixel(x, y), colour)
check("jobs after one print", jobs.count_new(), 1)
cli = subprocess.run([os.path.join(os.path.dirname(wt.__file__), "measure-page"), job.path,
                      "--pixel", "425", "600", "--pixel", "0", "0"], capture_output=True, text=True)
check("measure-page", cli.stdout.splitlines(),
      ["pages 1", "size 2550 3300", "bbox 175 300 1175 1500", "pixel 425 600 ff0000", "pixel 0 0 ffffff"])

# A scheduler without printers: Windows has no default printer.
wt.printer("remove")
try:
    result = wt.run_exe(probe, "caps", check=False)
    check("exit code without a printer", result.returncode, 3)
finally:
    wt.printer("add")
check("exit code with the printer back", wt.run_exe(probe, "caps", check=False).returncode, 0)

for f in failures:
    print("FAIL", f)
print("checked the print chain:", "ok" if not failures else f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
