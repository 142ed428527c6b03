"""Wendrask.exe against bad clipboard data, faults of the scheduler, the
printer and its dialog, and commands and ticks inside a spooling job.

Each bad picture ends in a print or in the error box, never in a crash, a
hang or a leak; after an error the poll stays stopped until a command reaches
its end, and the next picture prints. A fault gives the message (or the
silence) the program promises and the next picture prints once it is gone.

Run under tests/scripts/with-testenv:
    robustness_test.py --exe Wendrask.exe --seams-exe WendraskSeams.exe \
        --clip ClipHelper.exe --ui UiDriver.exe --probe ProcessProbe.exe \
        [--long] [SCENARIO...]
--long adds the slower and rarer bad pictures (make soak).
"""
import argparse
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import wendrask_test as wt  # noqa: E402

parser = argparse.ArgumentParser()
for name in ("--exe", "--seams-exe", "--clip", "--ui", "--probe"):
    parser.add_argument(name, required=True)
parser.add_argument("--long", action="store_true")
parser.add_argument("scenarios", nargs="*")
args = parser.parse_args()

PRINTABLE_ON_PAGE = (75, 100, 75 + 2425, 100 + 3075)
UNSUPPORTED = "未対応のクリップボード データです."
NO_MEMORY = "ビットマップに必要なメモリを確保できません."
helpers = wt.Helpers(clip_exe=args.clip, ui_exe=args.ui)
check, clip, ui, fields = wt.check, helpers.clip_out, helpers.ui, wt.fields
clipboard_count, clipboard_emptied = helpers.clipboard_count, helpers.wait_clipboard_empty


class Run(wt.WendraskRun):
    """One run of a program build, its main window shown; killed if a
    scenario fails half-way."""

    def __init__(self, exe, **environment):
        super().__init__(helpers, exe, **environment)

    def restart_poll(self):
        """PrinterSet, cancelled: the command's end arms the timer again.
        Should the keys be lost on their way (the menu left open, or no
        dialog), Escape and the keys again."""
        for attempt in range(3):
            self.keys("alt+f p")
            found = ui("wait-window", "--class", "#32770", "--exe", self.name, "--timeout", "5000", check=False)
            if found.returncode == 0:
                break
            print(f"     the print-setup dialog did not open; keys again (attempt {attempt + 2})", flush=True)
            self.keys("escape", "escape")
        else:
            raise RuntimeError("the print-setup dialog does not open")
        dialog = fields(found.stdout)
        ui("keys", "--window", dialog["hwnd"], "escape")
        ui("wait-gone", "--window", dialog["hwnd"], "--timeout", "15000")

    def figures(self):
        """handles, GDI objects and committed bytes, as ProcessProbe reads them."""
        out = fields(wt.run_exe(args.probe, "figures", "--exe", self.name).stdout.replace(" ", "\n"))
        return {k: int(v) for k, v in out.items()}


def check_box(what, app, text):
    box = app.message_box()
    check(f"{what}: message", (box.get("caption"), box.get("text"), box.get("icon")),
          ("Wendrask", text, "error"))


def check_printed(what, jobs, bbox=PRINTABLE_ON_PAGE):
    job = jobs.next_job(timeout=30)
    pages = job.pages()
    drawn = pages[0].bbox() if pages and bbox != "any" else bbox
    check(f"{what}: one page, titled Wendrask, drawn where expected", (job.title, len(pages), drawn),
          ("Wendrask", 1, bbox))


def good_picture(what, app, jobs):
    clip("bitmap", "40", "30")
    check_printed(what, jobs)
    check(f"{what}: no message box", app.no_message_box(300), True)


# ---------------------------------------------------------------- bad data

def dib(width, height, bits, following, compression=0, colours=0, header=40):
    """A packed DIB: BITMAPINFOHEADER with these values, then `following`
    bytes of 0x55."""
    return struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, 0, 0, 0, colours, 0) \
        + b"\x55" * following


def emf(records, handles):
    """Enhanced metafile bytes: a header (1024 x 768 pixels, 320 x 240 mm,
    frame 100 x 50 mm), the records (type, payload) as given, then EOF.
    Each record's size is 8 + len(payload) unless given as a third item."""
    body = b""
    for record in records:
        kind, payload = record[0], record[1]
        size = record[2] if len(record) > 2 else 8 + len(payload)
        body += struct.pack("<II", kind, size) + payload
    body += struct.pack("<IIIII", 14, 20, 0, 16, 20)
    count = len(records) + 2
    header_size = 108
    total = header_size + len(body)
    header = struct.pack("<II4i4iIIIIHHIIIiiiiIIIii", 1, header_size, 0, 0, 99, 49, 0, 0, 10000, 5000,
                         0x464D4520, 0x10000, total, count, handles, 0, 0, 0, 0, 1024, 768, 320, 240,
                         0, 0, 0, 320000, 240000)
    return header + body


BRUSH = (39, struct.pack("<IIII", 1, 0, 0x0000FF, 0))     # EMR_CREATEBRUSHINDIRECT, slot 1
SELECT = (37, struct.pack("<I", 1))                          # EMR_SELECTOBJECT, slot 1
RECTANGLE = (43, struct.pack("<4i", 10, 10, 90, 40))        # EMR_RECTANGLE
BOUNDS = struct.pack("<4i", 0, 0, 100, 100)
# Records whose counts or offsets name bytes far outside them: Wine's player
# reads there (and the program died) unless the metafile is refused.
POLYLINE16_HUGE = (87, BOUNDS + struct.pack("<I", 0x80000000) + struct.pack("<hh", 1, 1))
TEXT_OUTSIDE = (84, BOUNDS + struct.pack("<Iff", 1, 1.0, 1.0)
                + struct.pack("<iiIIIiiiiI", 0, 0, 4, 0x7FFF0000, 0, 0, 0, 0, 0, 76) + b"\0" * 16)
PIXELS_OUTSIDE = (81, BOUNDS + struct.pack("<6i", 0, 0, 0, 0, 10, 10)
                  + struct.pack("<IIII", 80, 40, 0x7FFF0000, 400) + struct.pack("<IIii", 0, 0xCC0020, 10, 10)
                  + struct.pack("<IiiHHIIiiII", 40, 10, 10, 1, 32, 0, 0, 0, 0, 0, 0))
REGION_HUGE = (71, BOUNDS + struct.pack("<II", 48, 1) + struct.pack("<IIII4i", 32, 1, 0x1000000, 0, 0, 0, 9, 9)
               + struct.pack("<4i", 0, 0, 9, 9))
POLYPOLYGON_COUNTS = (8, BOUNDS + struct.pack("<III", 1, 2, 0x10000000) + struct.pack("<4i", 0, 0, 5, 5))

# (name, how it is put, expected outcome): the outcome is the text of the
# error box, or ("printed", bbox) for a job drawn over bbox (None: blank).
CASES = [
    ("DIB: header cut short", ("dib-raw", b"\x28" * 12), UNSUPPORTED),
    ("DIB: negative width", ("dib-raw", dib(-16, 16, 32, 16 * 16 * 4)), UNSUPPORTED),
    ("DIB: huge sizes, few bytes", ("dib-raw", dib(0x7FFFFFFF, 0x7FFFFFFF, 32, 64)), UNSUPPORTED),
    ("DIB: bit count 0", ("dib-raw", dib(16, 16, 0, 1024)), UNSUPPORTED),
    ("DIB: height 0", ("dib-raw", dib(16, 0, 32, 64)), UNSUPPORTED),
    ("DIB: pixels missing", ("dib-raw", dib(4000, 4000, 32, 100)), UNSUPPORTED),
    ("bitmap too large to copy", ("bitmap", "16385", "16384", "--bpp", "1", "--as", "dib"), NO_MEMORY),
    ("CF_BITMAP that is no bitmap", ("bitmap", "64", "48", "--as", "dibsection"), UNSUPPORTED),
    ("EMF: reference device of 0 pixels", ("emf", "--refdev-px", "0", "0"), UNSUPPORTED),
    ("EMF: reference device of negative size", ("emf", "--refdev-mm", "-320", "240"), UNSUPPORTED),
    ("EMF: frame beyond the size computation",
     ("emf", "--frame", "-2147483648", "0", "2147483647", "5000", "--refdev-px", "2147483647", "768",
      "--refdev-mm", "1", "240"), UNSUPPORTED),
    ("EMF: a record of size 0", ("emf-raw", emf([RECTANGLE, (43, b"", 0)], 1)), UNSUPPORTED),
    ("EMF: handle table smaller than its objects", ("emf-raw", emf([BRUSH, SELECT, RECTANGLE], 1)),
     UNSUPPORTED),
    ("EMF: a polyline of 2^31 points in 4 bytes", ("emf-raw", emf([POLYLINE16_HUGE], 1)), UNSUPPORTED),
    ("EMF: a text whose characters lie outside its record", ("emf-raw", emf([TEXT_OUTSIDE], 1)), UNSUPPORTED),
    ("EMF: a bitmap whose pixels lie outside its record", ("emf-raw", emf([PIXELS_OUTSIDE], 1)), UNSUPPORTED),
    ("CF_METAFILEPICT without an enhanced metafile", ("metafilepict", "--no-emf"), UNSUPPORTED),
    ("CF_METAFILEPICT without drawing", ("metafilepict", "--empty"), ("printed", None)),
    # The rectangle's place within the frame, stretched over the printable area.
    ("EMF: well formed, with its own brush", ("emf-raw", emf([BRUSH, SELECT, RECTANGLE], 2)),
     ("printed", (151, 292, 758, 869))),
]
LONG_CASES = [
    ("DIB: 8 bits with 2^31 colours", ("dib-raw", dib(16, 16, 8, 256, colours=0x7FFFFFFF)), UNSUPPORTED),
    ("DIB: bit fields without masks", ("dib-raw", dib(16, 16, 32, 16 * 16 * 4 - 12, compression=3)),
     UNSUPPORTED),
    ("DIB: header size 2^31", ("dib-raw", dib(16, 16, 32, 1024, header=0x7FFFFFFF)), UNSUPPORTED),
    ("DIB: JPEG", ("dib-raw", dib(16, 16, 0, 100, compression=4)), UNSUPPORTED),
    ("DIB: most negative sizes", ("dib-raw", dib(-2 ** 31, -2 ** 31, 32, 64)), UNSUPPORTED),
    ("bitmap far too large to copy", ("bitmap", "20000", "20000", "--bpp", "1", "--as", "dib"), NO_MEMORY),
    ("EMF: a region of 2^24 rectangles in one", ("emf-raw", emf([BRUSH, REGION_HUGE], 2)), UNSUPPORTED),
    ("EMF: polygon counts beyond the points", ("emf-raw", emf([POLYPOLYGON_COUNTS], 1)), UNSUPPORTED),
    ("EMF: millimetres 0", ("emf", "--refdev-mm", "0", "240"), UNSUPPORTED),
    ("EMF: frame inverted", ("emf", "--frame", "10000", "0", "0", "5000"), UNSUPPORTED),
    ("CF_METAFILEPICT with extents 0", ("metafilepict", "--ext", "0", "0"), ("printed", "any")),
    ("CF_METAFILEPICT in MM_TEXT", ("metafilepict", "--mm", "1"), ("printed", "any")),
]


def put(how, folder):
    """Puts a case's data on the clipboard; False when ClipHelper (that is,
    Windows in its process) refused the bytes."""
    if how[0] in ("dib-raw", "emf-raw"):
        path = os.path.join(folder, "data.bin")
        with open(path, "wb") as f:
            f.write(how[1])
        return helpers.clip(how[0], path, check=False).returncode == 0
    clip(*how)
    return True


def bad_data():
    """Every bad picture: the error box or a print; the poll as the protocol
    says. The cases run twice: Wine keeps some of what the program read
    until later calls, so the first round settles its caches and the second
    must leave the handle and GDI object counts exactly where it found them."""
    clip("empty")
    cases = CASES + (LONG_CASES if args.long else [])
    with Run(args.exe) as app, tempfile.TemporaryDirectory() as folder:
        jobs = wt.JobWatcher()
        # A print, then an error, a picture that waits for the stopped poll,
        # PrinterSet, that picture.
        good_picture("first picture", app, jobs)
        put(CASES[0][1], folder)
        check_box("first error", app, UNSUPPORTED)
        clip("bitmap", "40", "30")
        jobs.expect_no_job(2.5)
        check("after an error: the poll stays stopped", clipboard_count() > 0, True)
        app.restart_poll()
        check_printed("after an error: the waiting picture prints once PrinterSet ends", jobs)

        figures = []
        for round in (1, 2):
            for name, how, outcome in cases:
                name = f"round {round}, {name}"
                if not put(how, folder):
                    check(f"{name}: Windows refused the bytes before Wendrask saw them", outcome, "refused")
                    continue
                if isinstance(outcome, tuple):
                    check_printed(name, jobs, outcome[1])
                    check(f"{name}: no message box", app.no_message_box(300), True)
                else:
                    check_box(name, app, outcome)
                    check(f"{name}: the bad data left on the clipboard", clipboard_count() > 0, True)
                    # Else the next tick could meet it again before the next case is put.
                    clip("empty")
                    app.restart_poll()
                check(f"{name}: Wendrask still runs", app.running(), True)
            good_picture(f"round {round}: the next picture", app, jobs)
            figures.append(app.figures())
            print(f"     after round {round}: {figures[-1]}")
        check("handles and GDI objects after round 2 as after round 1",
              [(f["handles"], f["gdi"]) for f in figures[1:]], [(figures[0]["handles"], figures[0]["gdi"])])
        check("exit code", app.exit(), 0)


# ---------------------------------------------------------------- faults

def scheduler_faults():
    """The scheduler stopped, or the printer removed, after the printer was
    chosen: Wendrask keeps the printer it has, each picture is taken and its
    job lost without a message (the document was started; its end is not
    reported), the poll goes on, and once the fault is gone the next picture
    prints."""
    clip("empty")
    with Run(args.exe) as app:
        jobs = wt.JobWatcher()
        good_picture("the printer chosen", app, jobs)
        for fault, repair in (("stop", "start"), ("remove", "add")):
            what = f"printer {fault}"
            printed = jobs.count_new()
            wt.printer(fault)
            try:
                for n in (1, 2):
                    clip("bitmap", "40", "30")
                    check(f"{what}: picture {n} taken", clipboard_emptied(8000), True)
                    check(f"{what}: picture {n} without a message", app.no_message_box(1500), True)
            finally:
                wt.printer(repair)
            check(f"{what}: the lost jobs never arrive", jobs.count_new(), printed)
            check(f"{what}: Wendrask still runs", app.running(), True)
            clip("bitmap", "40", "30")
            check_printed(f"after {repair}: the next picture", jobs)
        check("exit code", app.exit(), 0)


def failed_command():
    """PrinterSet whose dialog fails (no printer at all): its message, the
    poll stays stopped, and Set reaching its end restarts it. (A printer
    added while Wendrask runs stays unseen: Wine's winspool copies the queues
    only when the first printing process starts.)"""
    clip("empty")
    wt.printer("remove")
    try:
        with Run(args.exe) as app:
            clip("bitmap", "40", "30")
            check_box("no printer at the tick", app, "デフォルト プリンタが存在しません.")
            app.keys("alt+f p")
            check_box("PrinterSet without a printer", app, "デフォルト プリンタが存在しません.")
            clip("bitmap", "40", "30")
            check("after the failed command: no tick", app.no_message_box(2500), True)
            check("after the failed command: the picture waits", clipboard_count() > 0, True)
            app.keys("alt+s")
            ui("wait-window", "--title", "Set", "--exe", app.name, "--timeout", "10000")
            ui("keys", "--title", "Set", "--exe", app.name, "escape")
            check_box("Set ended: the poll takes the picture", app, "デフォルト プリンタが存在しません.")
            check("the picture taken", clipboard_count(), 0)
            check("exit code", app.exit(), 0)
    finally:
        wt.printer("add")


# ---------------------------------------------------------------- concurrency

def centre_colour(job):
    page = job.pages()[0]
    return wt.pagemeasure.colour_hex(page.pixel(75 + 2425 // 2, 100 + 3075 // 2))


def spooling():
    """Inside a spooling job (the test build's abort procedure processes
    messages until released, as Windows lets it while a job spools): Set
    runs and re-arms the timer; the tick that follows takes the next picture
    and fails with "印刷中"; PrinterSet confirmed fails with "印刷中" too; the
    outer job then prints its own picture whole, and the poll goes on."""
    clip("empty")
    event = f"WendraskSpoolRelease{os.getpid()}"

    def release():
        wt.run_exe(args.probe, "signal", event)

    with Run(args.seams_exe, WENDRASK_SEAM_SPOOL_EVENT=event) as app:
        jobs = wt.JobWatcher()
        clip("bitmap", "300", "200", "--pattern", "solid:FF0000")
        check("outer picture taken", clipboard_emptied(8000), True)
        check("outer job still spooling", jobs.count_new(), 0)

        app.keys("alt+s")
        ui("wait-window", "--title", "Set", "--exe", app.name, "--timeout", "10000")
        ui("keys", "--title", "Set", "--exe", app.name, "escape")
        ui("wait-gone", "--title", "Set", "--exe", app.name, "--timeout", "10000")

        clip("bitmap", "120", "90", "--pattern", "solid:0000FF")
        check_box("a tick inside the job", app, "印刷中.")
        check("the inner tick took its picture", clipboard_count(), 0)

        app.keys("alt+f p")
        dialog = fields(ui("wait-window", "--class", "#32770", "--exe", app.name, "--timeout", "10000").stdout)
        ui("keys", "--window", dialog["hwnd"], "enter")
        check_box("PrinterSet confirmed inside the job", app, "印刷中.")
        check("still one job spooling, none ended", jobs.count_new(), 0)

        release()
        job = jobs.next_job(timeout=30)
        check("the outer job: its own picture, whole", (len(job.pages()), job.pages()[0].bbox(), centre_colour(job)),
              (1, PRINTABLE_ON_PAGE, "ff0000"))

        clip("bitmap", "40", "30", "--pattern", "solid:00FF00")
        check("after the job: the poll goes on", clipboard_emptied(8000), True)
        release()
        job = jobs.next_job(timeout=30)
        check("the next picture printed", centre_colour(job), "00ff00")
        check("no message box", app.no_message_box(300), True)
        check("exit code", app.exit(), 0)


SCENARIOS = {f.__name__: f for f in (bad_data, scheduler_faults, failed_command, spooling)}
wt.run_scenarios(SCENARIOS, args.scenarios)
sys.exit(wt.summary("robustness"))
