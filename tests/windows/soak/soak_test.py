"""Soak: many pictures through Wendrask.exe, the real clipboard and the
private scheduler, one per tick, mixing bitmap sizes, metafiles, text alone
and text with a picture.

Checks: every picture printed exactly once and in order (each job's picture
is recognised in its PostScript by kind, size and colour), as many jobs as
pictures, no error box, the handle and GDI object counts of the process the
same after the last cycle of pictures as after the first, and its memory
flat apart from what Wine itself keeps per picture read from another
process, measured in the same run with BareReader taking the same pictures.

Run under tests/scripts/with-testenv:
    soak_test.py --pictures N --exe Wendrask.exe --clip ClipHelper.exe \
        --ui UiDriver.exe --probe ProcessProbe.exe --reader BareReader.exe
"""
import argparse
import base64
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import wendrask_test as wt  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("--pictures", type=int, default=20)
for name in ("--exe", "--clip", "--ui", "--probe", "--reader"):
    parser.add_argument(name, required=True)
args = parser.parse_args()

# One cycle of what is copied; "text" alone is no picture and stays put.
CYCLE = [
    ("bitmap", 640, 480, []),
    ("emf", 0, 0, []),
    ("text", 0, 0, []),
    ("bitmap", 64, 48, []),
    ("text+bitmap", 320, 240, []),
    ("bitmap", 1920, 1080, []),
    ("metafilepict", 0, 0, []),
    ("bitmap", 1024, 768, ["--as", "dib"]),
    ("emf", 0, 0, ["--records", "200"]),
    ("bitmap", 200, 100, ["--bpp", "8", "--palette", "--as", "dib"]),
]
LEVELS = (0, 51, 102, 153, 204, 255)   # exact in the driver's two decimals
# Wendrask's memory may exceed the bare reader's growth by this much.
MEMORY_ALLOWANCE = 16 << 20

failures = []


def check(what, ok, detail=""):
    print(f"{'ok  ' if ok else 'FAIL'} {what}" + ("" if ok else f": {detail}"), flush=True)
    if not ok:
        failures.append(what)


def colour(i):
    """A colour of its own for picture i (never white, the paper's)."""
    n = i % (len(LEVELS) ** 3 - 1)
    return tuple(LEVELS[(n // len(LEVELS) ** k) % len(LEVELS)] for k in (2, 1, 0))


def items(count):
    """(kind, width, height, extra, colour) for each item copied."""
    return [CYCLE[i % len(CYCLE)] + (colour(i),) for i in range(count)]


def put(item):
    kind, width, height, extra, rgb = item
    pattern = "solid:%02X%02X%02X" % rgb
    if kind == "text":
        args_ = ["text", f"no picture {pattern}"]
    elif kind == "text+bitmap":
        args_ = ["put", "text", "with a picture", "+", "bitmap", width, height, "--pattern", pattern]
    elif kind == "bitmap":
        args_ = ["bitmap", width, height, "--pattern", pattern, *extra]
    else:
        args_ = [kind, "--pattern", pattern, *extra]
    wt.run_exe(args.clip, *args_)


def expected(item):
    kind, width, height, _, rgb = item
    if kind == "text":
        return None
    if kind in ("bitmap", "text+bitmap"):
        return ("bitmap", width, height, "%02x%02x%02x" % rgb)
    return ("metafile", " ".join("%.2f" % (c / 255) for c in rgb))


def run_length_head(data, count):
    out, i = bytearray(), 0
    while i < len(data) and len(out) < count:
        length = data[i]
        i += 1
        if length < 128:
            out += data[i:i + length + 1]
            i += length + 1
        elif length > 128:
            out += bytes([data[i]]) * (257 - length)
            i += 1
        else:
            break
    return bytes(out[:count])


def fingerprint(path):
    """What a captured job drew, read from Wine's PostScript: a bitmap's
    size and first pixel, or a metafile's last fill colour (the pattern
    comes after any extra records)."""
    with open(path, "rb") as f:
        text = f.read().decode("latin-1")
    if text.count("%%Page:") != 1:
        return ("pages", text.count("%%Page:"))
    page = text.split("%%EndPageSetup", 1)[-1]
    m = re.search(r"/Width (\d+)\s+/Height (\d+).*?\nimage\n(.*?)~>", page, re.S)
    if m:
        pixels = base64.a85decode(re.sub(r"\s", "", m.group(3)))
        return ("bitmap", int(m.group(1)), int(m.group(2)), run_length_head(pixels, 3).hex())
    colours = [c for c in re.findall(r"([\d.]+ [\d.]+ [\d.]+) setrgbcolor", page) if c != "0.00 0.00 0.00"]
    return ("metafile", colours[-1] if colours else None)


def figures(pid=None, exe=None):
    target = ["--pid", str(pid)] if pid else ["--exe", exe]
    out = wt.run_exe(args.probe, "figures", *target).stdout.split()
    return {k: int(v) for k, v in (field.split("=") for field in out)}


def megabytes(n):
    return f"{n / (1 << 20):.1f} MB"


def bare_phase(sequence):
    """BareReader takes the same pictures; returns its figures after the
    first cycle and at the end, and the number of bitmaps it read."""
    reader = subprocess.Popen([wt.loader(), args.reader], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              text=True)

    def ask(command):
        reader.stdin.write(command + "\n")
        reader.stdin.flush()
        return reader.stdout.readline().strip()

    def own_figures():
        return {k: int(v) for k, v in (field.split("=") for field in ask("figures").split())}

    bitmaps, start = 0, None
    try:
        for i, item in enumerate(sequence):
            put(item)
            if item[0] != "text":
                took = ask("take")
                bitmaps += took == "took bitmap"
                if took not in ("took bitmap", "took metafile"):
                    check(f"bare reader, item {i}", False, took)
            if i + 1 == len(CYCLE):
                start = own_figures()
        end = own_figures()
        ask("quit")
    finally:
        reader.wait(timeout=30)
    return start, end, bitmaps


def wendrask_phase(sequence):
    app = subprocess.Popen([wt.WINE_RUN, args.exe], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    try:
        wt.run_exe(args.ui, "wait-window", "--title", "Wendrask", "--exe", "Wendrask.exe", "--timeout", "30000")
        jobs = wt.JobWatcher()
        start = None
        pictures = 0
        for i, item in enumerate(sequence):
            put(item)
            if item[0] == "text":
                time.sleep(1.3)   # a tick passes it by
                if int(wt.run_exe(args.clip, "count").stdout) == 0:
                    check(f"item {i}: text alone left on the clipboard", False, "it was taken")
            else:
                pictures += 1
                if wt.run_exe(args.clip, "wait-empty", 15000, check=False).returncode != 0:
                    check(f"item {i} ({item[0]}) taken", False, "still on the clipboard after 15 s")
                    break
            if i + 1 == len(CYCLE):
                wt.wait_for(lambda: jobs.count_new() >= pictures, 30, what="the first cycle's jobs")
                start = figures(exe="Wendrask.exe")
        wt.wait_for(lambda: jobs.count_new() >= pictures, 60, what="every job")
        time.sleep(1)
        end = figures(exe="Wendrask.exe")
        no_box = wt.run_exe(args.ui, "no-msgbox", "--for", "300", "--exe", "Wendrask.exe",
                            check=False).returncode == 0
        wt.run_exe(args.ui, "close", "--title", "Wendrask", "--exe", "Wendrask.exe")
        code = app.wait(timeout=30)
        return start, end, jobs.new_jobs(), no_box, code
    finally:
        if app.poll() is None:
            wt.run_exe(args.ui, "kill", "--exe", "Wendrask.exe", check=False)
            app.wait(timeout=30)


def main():
    count = max(args.pictures, 2 * len(CYCLE))
    sequence = items(count)
    pictures = [expected(item) for item in sequence if item[0] != "text"]
    wt.run_exe(args.clip, "empty")
    t0 = time.monotonic()
    bare_start, bare_end, bitmaps_after_first = bare_phase(sequence)
    t1 = time.monotonic()
    start, end, job_numbers, no_box, code = wendrask_phase(sequence)
    t2 = time.monotonic()

    printed = [fingerprint(wt.Job(n).path) for n in job_numbers]
    print(f"     {count} items copied, {len(pictures)} pictures, {len(printed)} jobs captured; "
          f"bare reader {t1 - t0:.0f} s, Wendrask {t2 - t1:.0f} s")
    check("as many jobs as pictures", len(printed) == len(pictures), f"{len(printed)} jobs, {len(pictures)} pictures")
    wrong = [(i, want, got) for i, (want, got) in enumerate(zip(pictures, printed)) if want != got]
    check("every picture printed once, in order", not wrong, f"first mismatches {wrong[:3]}")
    check("no error box", no_box)
    check("exit code 0", code == 0, str(code))

    bitmaps = sum(1 for item in sequence[len(CYCLE):] if item[0] in ("bitmap", "text+bitmap"))
    bare_growth = bare_end["pagefile"] - bare_start["pagefile"]
    growth = end["pagefile"] - start["pagefile"]
    print(f"     Wendrask after the first cycle: {start}; at the end: {end}")
    print(f"     BareReader after the first cycle: {bare_start}; at the end: {bare_end}")
    print(f"     memory growth over the last {count - len(CYCLE)} items ({bitmaps} bitmaps): Wendrask "
          f"{megabytes(growth)}, bare reader {megabytes(bare_growth)} "
          f"({megabytes(bare_growth / max(bitmaps, 1))} per bitmap); Wendrask's own: {megabytes(growth - bare_growth)}")
    check("handles flat", start["handles"] == end["handles"], f"{start['handles']} -> {end['handles']}")
    check("GDI objects flat", start["gdi"] == end["gdi"], f"{start['gdi']} -> {end['gdi']}")
    check("memory flat apart from Wine's growth", growth <= bare_growth + MEMORY_ALLOWANCE,
          f"Wendrask grew {megabytes(growth)}, the bare reader {megabytes(bare_growth)}")


try:
    main()
except Exception as e:  # a soak that cannot go on counts as failed
    check("soak ran to its end", False, repr(e))
print("soak:", "ok" if not failures else f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
