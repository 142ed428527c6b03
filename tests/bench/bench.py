"""make bench: what a tick of Wendrask costs against a bare reference.

Runs inside tests/scripts/with-testenv:
    bench.py --build build/windows [--out docs] [--reps N]

WendraskBench.exe (Bench.cpp) holds the real main window and toolkit and a
bare reference; each picture is put on the clipboard by ClipHelper, from
another process as in real use, before each measured tick. Measured:
- the tick from its start to the end of the document, split into query,
  load, empty, placement and spooling, against the reference (target:
  within 1.10 times it);
- the rise of committed private memory over the tick against one copy of
  the picture (target: no more than one kept copy beyond the reference);
- the idle tick (empty clipboard, text only): CPU and wall time per tick
  against the reference's bare query;
- with Wendrask.exe itself: the delay from a picture being copied to its
  job reaching the scheduler, over 20 pictures, against the 1000 ms poll.
Prints one table and writes it as OUT/benchmarks.csv and OUT/benchmarks.md,
and into the README given. Figures, not pass or fail.
"""
import argparse
import datetime
import os
import platform
import random
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import wendrask_test as wt  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("--build", required=True)
parser.add_argument("--out", default=None, help="folder for benchmarks.csv and benchmarks.md")
parser.add_argument("--reps", type=int, default=9)
parser.add_argument("--delays", type=int, default=20)
parser.add_argument("--readme", default=None,
                    help="a README whose text between <!-- bench --> and <!-- /bench --> becomes the table")
args = parser.parse_args()

BUILD = os.path.abspath(args.build)
HELPERS = os.path.join(BUILD, "tests", "windows", "helpers")
helpers = wt.Helpers(HELPERS)
BENCH = os.path.join(BUILD, "tests", "bench", "WendraskBench.exe")
EXE = os.path.join(BUILD, "Wendrask.exe")

# (name, ClipHelper's command, bytes of one copy (None: asked), large)
PICTURES = [
    ("640 x 480", ["bitmap", "640", "480"], 640 * 480 * 4, False),
    ("1920 x 1080", ["bitmap", "1920", "1080"], 1920 * 1080 * 4, False),
    ("3840 x 2160", ["bitmap", "3840", "2160"], 3840 * 2160 * 4, True),
    ("7680 x 4320", ["bitmap", "7680", "4320"], 7680 * 4320 * 4, True),
    ("EMF, 10,000 records", ["emf", "--records", "10000"], None, False),
]
MB = 1 << 20


def clip(*a):
    return helpers.clip_out(*a, timeout=300)


class Bench:
    def __init__(self):
        self.popen = subprocess.Popen([wt.loader(), BENCH], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      text=True)

    def ask(self, command):
        self.popen.stdin.write(command + "\n")
        self.popen.stdin.flush()
        line = self.popen.stdout.readline().strip()
        name, *fields = line.split()
        values = {k: int(v) for k, v in (f.split("=") for f in fields)}
        if values.get("error"):
            raise RuntimeError(f"{command}: {line}")
        return values

    def close(self):
        self.popen.stdin.write("quit\n")
        self.popen.stdin.flush()
        self.popen.wait(timeout=60)


def emf_size():
    """Bytes of the metafile ClipHelper puts (one copy of that picture)."""
    out = clip("describe", "CF_ENHMETAFILE")
    return int(out.split("bytes=")[1].split()[0])


def measure_pictures(bench):
    rows = []
    for name, put, copy, large in PICTURES:
        reps = max(3, args.reps // 2) if large else args.reps
        samples = {"tick": [], "reference": [], "phases": []}
        for rep in range(reps):
            order = ["tick", "reference", "phases"]
            order = order[rep % 3:] + order[:rep % 3]
            for mode in order:
                bench.ask("forget")
                clip(*put)
                if copy is None:
                    copy = emf_size()
                samples[mode].append(bench.ask(mode))
        med = lambda key, mode: statistics.median(s[key] for s in samples[mode])  # noqa: E731
        rise = lambda mode: statistics.median(s["after"] - s["before"] for s in samples[mode])  # noqa: E731
        peak = lambda mode: statistics.median(s["peak"] - s["before"] for s in samples[mode])  # noqa: E731
        tick, reference = med("us", "tick"), med("us", "reference")
        rows.append({
            "picture": name, "reps": reps, "tick_ms": tick / 1000, "reference_ms": reference / 1000,
            "ratio": tick / reference,
            **{f"{p}_ms": med(p, "phases") / 1000 for p in ("query", "load", "empty", "placement", "spooling")},
            "reference_load_ms": med("load", "reference") / 1000,
            "reference_spooling_ms": med("spooling", "reference") / 1000,
            "copy_mb": copy / MB, "tick_rise_mb": rise("tick") / MB, "reference_rise_mb": rise("reference") / MB,
            "tick_peak_mb": peak("tick") / MB, "reference_peak_mb": peak("reference") / MB,
            "extra_copies": (rise("tick") - rise("reference")) / copy,
        })
        print(f"  {name}: tick {tick / 1000:.1f} ms, reference {reference / 1000:.1f} ms", flush=True)
    return rows


def measure_idle(bench, count=2000):
    rows = []
    for name, put in (("empty clipboard", ["empty"]), ("text only", ["text", "just text"])):
        clip(*put)
        bench.ask("idle 10")
        tick = bench.ask(f"idle {count}")
        reference = bench.ask(f"idle-reference {count}")
        rows.append({"clipboard": name, "tick_cpu_us": tick["cpu_us"], "tick_wall_us": tick["wall_us"],
                     "reference_cpu_us": reference["cpu_us"], "reference_wall_us": reference["wall_us"]})
        print(f"  idle, {name}: tick {tick['wall_us']} us, query {reference['wall_us']} us", flush=True)
    return rows


def measure_delays(count):
    """Copy to job in the scheduler's capture folder, with Wendrask.exe."""
    clip("empty")
    delays = []
    with wt.WendraskRun(helpers, EXE) as app:
        jobs = wt.JobWatcher()
        rng = random.Random(7)
        for _ in range(count):
            time.sleep(rng.uniform(0, 1))
            putter = wt.start_exe(helpers.clip_exe, "bitmap", "640", "480", capture=True)
            putter.wait_line(r"^set ", timeout=30)
            copied = time.monotonic()
            wanted = os.path.join(wt.jobs_dir(), "job-%04d.ps" % (jobs.last + 1))
            wt.wait_for(lambda: os.path.exists(wanted), 30, interval=0.002, what="the job")
            delays.append((time.monotonic() - copied) * 1000)
            jobs.last += 1
            putter.wait(30)
        helpers.ui("close", "--title", "Wendrask", "--exe", "Wendrask.exe")
        app.exit_code()
    return delays


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) // (1 << 20)
    os_name = platform.system()
    try:
        with open("/etc/os-release") as f:
            os_name = dict(line.rstrip().split("=", 1) for line in f if "=" in line)["PRETTY_NAME"].strip('"')
    except (OSError, KeyError):
        pass
    wine = subprocess.run([wt.loader(), "--version"], capture_output=True, text=True).stdout.strip()
    return (f"{model}, {os.cpu_count()} cores, {memory} GB; {os_name}; {wine}; "
            f"{datetime.date.today().isoformat()}")


def tables(pictures, idle, delays, where):
    lines = [f"Measured on {where}.", ""]
    lines += ["| Picture | Tick (ms) | Reference (ms) | Ratio (target ≤ 1.10) | Query | Load | Empty | Placement "
              "| Spooling | One copy (MB) | Kept by the tick (MB) | Kept by the reference (MB) "
              "| Copies beyond the reference (target ≤ 1) |",
              "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for r in pictures:
        lines.append(f"| {r['picture']} | {r['tick_ms']:.1f} | {r['reference_ms']:.1f} | {r['ratio']:.2f} "
                     f"| {r['query_ms']:.1f} | {r['load_ms']:.1f} | {r['empty_ms']:.1f} | {r['placement_ms']:.1f} "
                     f"| {r['spooling_ms']:.1f} | {r['copy_mb']:.1f} | {r['tick_rise_mb']:.1f} "
                     f"| {r['reference_rise_mb']:.1f} | {r['extra_copies']:.2f} |")
    lines += ["", "| Idle tick | CPU per tick (µs) | Wall per tick (µs) | Bare query CPU (µs) | Bare query wall (µs) "
              "| Ratio (wall) |", "|---|---:|---:|---:|---:|---:|"]
    for r in idle:
        lines.append(f"| {r['clipboard']} | {r['tick_cpu_us']} | {r['tick_wall_us']} | {r['reference_cpu_us']} "
                     f"| {r['reference_wall_us']} | {r['tick_wall_us'] / max(r['reference_wall_us'], 1):.2f} |")
    lines += ["", "| Copy to job in the scheduler | Median (ms) | Worst (ms) | Poll period (ms) | Median / period "
              "| Worst / period |", "|---|---:|---:|---:|---:|---:|",
              f"| {len(delays)} pictures of 640 x 480 | {statistics.median(delays):.0f} | {max(delays):.0f} | 1000 "
              f"| {statistics.median(delays) / 1000:.2f} | {max(delays) / 1000:.2f} |"]
    return "\n".join(lines) + "\n"


def csv_rows(pictures, idle, delays):
    rows = ["section,item,measure,value,reference,ratio"]
    for r in pictures:
        p = r["picture"].replace(",", "")
        rows.append(f"tick,{p},ms,{r['tick_ms']:.2f},{r['reference_ms']:.2f},{r['ratio']:.3f}")
        for phase in ("query", "load", "empty", "placement", "spooling"):
            rows.append(f"phase,{p},{phase} ms,{r[phase + '_ms']:.2f},,")
        rows.append(f"phase,{p},clipboard to closed ms,{r['query_ms'] + r['load_ms'] + r['empty_ms']:.2f},"
                    f"{r['reference_load_ms']:.2f},")
        rows.append(f"phase,{p},printing ms,{r['placement_ms'] + r['spooling_ms']:.2f},"
                    f"{r['reference_spooling_ms']:.2f},")
        rows.append(f"memory,{p},kept MB,{r['tick_rise_mb']:.2f},{r['reference_rise_mb']:.2f},")
        rows.append(f"memory,{p},peak MB,{r['tick_peak_mb']:.2f},{r['reference_peak_mb']:.2f},")
        rows.append(f"memory,{p},copies beyond the reference,{r['extra_copies']:.3f},,")
    for r in idle:
        rows.append(f"idle,{r['clipboard']},cpu us,{r['tick_cpu_us']},{r['reference_cpu_us']},")
        rows.append(f"idle,{r['clipboard']},wall us,{r['tick_wall_us']},{r['reference_wall_us']},"
                    f"{r['tick_wall_us'] / max(r['reference_wall_us'], 1):.3f}")
    rows.append(f"delay,640 x 480,median ms,{statistics.median(delays):.0f},1000,{statistics.median(delays) / 1000:.3f}")
    rows.append(f"delay,640 x 480,worst ms,{max(delays):.0f},1000,{max(delays) / 1000:.3f}")
    return "\n".join(rows) + "\n"


def main():
    where = machine()
    clip("empty")
    bench = Bench()
    try:
        print("pictures:", flush=True)
        pictures = measure_pictures(bench)
        print("idle ticks:", flush=True)
        idle = measure_idle(bench)
    finally:
        bench.close()
    print("copy to job:", flush=True)
    delays = measure_delays(args.delays)
    table = tables(pictures, idle, delays, where)
    print()
    print(table)
    if args.out:
        os.makedirs(args.out, exist_ok=True)
        with open(os.path.join(args.out, "benchmarks.md"), "w") as f:
            f.write(table)
        with open(os.path.join(args.out, "benchmarks.csv"), "w") as f:
            f.write(csv_rows(pictures, idle, delays))
        print(f"written: {os.path.join(args.out, 'benchmarks.md')}, {os.path.join(args.out, 'benchmarks.csv')}")
    if args.readme:
        with open(args.readme, encoding="utf-8") as f:
            text = f.read()
        start, end = "<!-- bench -->\n", "<!-- /bench -->"
        if start in text and end in text:
            before, rest = text.split(start, 1)
            with open(args.readme, "w", encoding="utf-8") as f:
                f.write(before + start + table + rest[rest.index(end):])
            print(f"written: the table in {args.readme}")


main()
