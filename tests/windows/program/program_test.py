"""Wendrask.exe black-box: pictures copied to the real clipboard come out of
the capturing printer; errors appear in the program's message box; the poll
stops after an error and a command that reaches its end restarts it; every
way of closing ends the process with exit code 0.

Run under tests/scripts/with-testenv:
    program_test.py --exe Wendrask.exe --seams-exe WendraskSeams.exe \
                    --clip ClipHelper.exe --ui UiDriver.exe [SCENARIO...]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import wendrask_test as wt  # noqa: E402

parser = argparse.ArgumentParser()
for name in ("--exe", "--seams-exe", "--clip", "--ui"):
    parser.add_argument(name, required=True)
parser.add_argument("scenarios", nargs="*")
args = parser.parse_args()

# The Capture printer's printable area as page pixels (right, bottom exclusive).
PRINTABLE_ON_PAGE = (75, 100, 75 + 2425, 100 + 3075)
helpers = wt.Helpers(clip_exe=args.clip, ui_exe=args.ui)
check, clip, ui, fields = wt.check, helpers.clip_out, helpers.ui, wt.fields
clip_count = helpers.clipboard_count


class Run(wt.WendraskRun):
    """One run of the program; killed if a scenario fails half-way."""

    def __init__(self, exe, wait=True, **environment):
        super().__init__(helpers, exe, wait, **environment)

    def main_window(self):
        """The main window's fields (enabled, foreground, ...)."""
        return fields(ui("windows", *self.target()).stdout)

    def in_front(self, seconds=3):
        """True once the main window is the foreground window (the keys a
        user types reach it), False if it is not within seconds."""
        try:
            wt.wait_for(lambda: self.main_window().get("foreground") == "1", seconds, interval=0.1,
                        what="the main window in front")
            return True
        except TimeoutError:
            return False

    def print_setup_dialog(self):
        """The print-setup dialog, opened from the menu, as a window line."""
        self.keys("alt+f p")
        return fields(ui("wait-window", "--class", "#32770", "--exe", self.name, "--timeout", "15000").stdout)


def check_error_box(what, box, text):
    check(f"{what}: caption", box.get("caption"), "Wendrask")
    check(f"{what}: text", box.get("text"), text)
    check(f"{what}: icon", box.get("icon"), "error")


def check_printed(what, jobs, bbox=PRINTABLE_ON_PAGE):
    job = jobs.next_job(timeout=20)
    check(f"{what}: job title", job.title, "Wendrask")
    pages = job.pages()
    check(f"{what}: pages", len(pages), 1)
    check(f"{what}: drawn over the printable area", pages[0].bbox() if pages else None, bbox)


def wait_clipboard_empty(what):
    try:
        wt.wait_for(lambda: clip_count() == 0, 15, interval=0.2, what="an empty clipboard")
        check(f"{what}: clipboard emptied", True, True)
    except TimeoutError:
        check(f"{what}: clipboard emptied", clip_count(), 0)


# ---------------------------------------------------------------- scenarios

def pictures():
    """Each picture printed once at the default placement; text left alone."""
    clip("empty")
    with Run(args.exe) as app:
        jobs = wt.JobWatcher()
        clip("bitmap", "200", "100")
        check_printed("bitmap", jobs)
        wait_clipboard_empty("bitmap")
        clip("bitmap", "64", "48", "--as", "dib", "--bpp", "8", "--topdown", "--palette")
        check_printed("8-bit top-down bitmap with a palette", jobs)
        clip("emf", "--frame-mm", "100", "50", "--refdev-px", "1024", "768", "--refdev-mm", "320", "240")
        job = jobs.next_job(timeout=20)
        check("metafile: job title", job.title, "Wendrask")
        bbox = job.pages()[0].bbox()
        # A metafile is played onto the rectangle less its last column and row.
        check("metafile: inside the printable area, touching its top-left",
              bbox is not None and bbox[:2] == PRINTABLE_ON_PAGE[:2]
              and PRINTABLE_ON_PAGE[2] - 2 <= bbox[2] <= PRINTABLE_ON_PAGE[2]
              and PRINTABLE_ON_PAGE[3] - 2 <= bbox[3] <= PRINTABLE_ON_PAGE[3], True)
        wait_clipboard_empty("metafile")
        clip("text", "only text")
        jobs.expect_no_job(3)
        check("text alone stays on the clipboard", "text=only text" in clip("describe", "CF_UNICODETEXT"), True)
        clip("put", "text", "with a picture", "+", "bitmap", "16", "16")
        check_printed("text with a bitmap", jobs)
        wait_clipboard_empty("text with a bitmap")
        check("no message box meanwhile", app.no_message_box(300), True)
        check("Exit: exit code", app.exit(), 0)
        check("one job per picture", jobs.count_new(), 4)


def errors():
    """Errors in the box; the poll stops until PrinterSet reaches its end."""
    clip("empty")
    with Run(args.exe) as app:
        jobs = wt.JobWatcher()

        # No tick while the print-setup dialog is open; Escape ends it.
        dialog = app.print_setup_dialog()
        check("dialog open: the main window takes no input", app.main_window().get("enabled"), "0")
        clip("bitmap", "40", "30")
        jobs.expect_no_job(3)
        check("dialog open: the picture waits on the clipboard", clip_count() > 0, True)
        ui("keys", "--window", dialog["hwnd"], "escape")
        check_printed("after the dialog", jobs)
        # The dialog and the box belong to the hidden application window: once
        # they close, the main window must be in front again, not nothing.
        check("after the dialog: the main window in front again", app.in_front(), True)

        clip("own-format")
        check_error_box("own format", app.message_box(), "無効なクリップボード フォーマットです.")
        check("after the box: the main window in front again", app.in_front(), True)
        check("own format: clipboard unchanged", clip("formats").strip().endswith("Wendrask Picture"), True)
        clip("bitmap", "40", "30")
        jobs.expect_no_job(3)
        ui("keys", "--window", app.print_setup_dialog()["hwnd"], "escape")
        check_printed("own format: poll back after PrinterSet", jobs)

        holder = helpers.hold(4000)
        check_error_box("held clipboard", app.message_box(), "クリップボードを開くことができません.")
        holder.wait(timeout=30)
        clip("bitmap", "40", "30")
        jobs.expect_no_job(3)
        ui("keys", "--window", app.print_setup_dialog()["hwnd"], "escape")
        check_printed("held clipboard: poll back after PrinterSet", jobs)

        # Openings of a few tens of milliseconds across ticks cost nothing.
        holder = helpers.hold(40, "--repeat", 80, "--gap", 20)
        clip("bitmap", "40", "30")
        check_printed("short holds", jobs)
        check("short holds: no message box", app.no_message_box(500), True)
        holder.wait(timeout=30)

        app.keys("alt+f4")
        check("Alt+F4: exit code", app.exit_code(), 0)


def closing():
    """The close button, the system menu, Alt+F4 and Exit all end with 0."""
    for how in ("close", "sysclose", "alt+f4", "alt+f x"):
        with Run(args.exe) as app:
            if how in ("close", "sysclose"):
                ui(how, *app.target())
            else:
                app.keys(how)
            check(f"{how}: exit code", app.exit_code(), 0)


def no_printer():
    """Without a printer: the message after the clipboard was emptied, and
    again from PrinterSet."""
    clip("empty")
    wt.printer("remove")
    try:
        with Run(args.exe) as app:
            jobs = wt.JobWatcher()
            clip("bitmap", "40", "30")
            check_error_box("no printer", app.message_box(), "デフォルト プリンタが存在しません.")
            check("no printer: clipboard emptied first", clip_count(), 0)
            app.keys("alt+f p")
            check_error_box("no printer: PrinterSet", app.message_box(), "デフォルト プリンタが存在しません.")
            check("no printer: exit code", app.exit(), 0)
            check("no printer: nothing printed", jobs.count_new(), 0)
    finally:
        wt.printer("add")


def seams():
    """Faults that cannot be caused for real, through the test build."""
    with Run(args.seams_exe, wait=False, WENDRASK_SEAM_FAIL_TIMER="1") as app:
        box = app.message_box(timeout=30000)
        check("start-up failure: caption", box.get("caption"), "アプリケーション エラー")
        check("start-up failure: text", box.get("text"), "タイマーを取得できません.")
        check("start-up failure: icon", box.get("icon"), "error")
        check("start-up failure: exit code", app.exit_code(), 1)

    clip("empty")
    with Run(args.seams_exe, WENDRASK_SEAM_FAIL_TIMER="1:1") as app:
        jobs = wt.JobWatcher()
        check_error_box("timer refused at a tick's end", app.message_box(), "タイマーを取得できません.")
        clip("bitmap", "40", "30")
        jobs.expect_no_job(3)
        ui("keys", "--window", app.print_setup_dialog()["hwnd"], "escape")
        check_printed("timer refused: poll back after PrinterSet", jobs)
        check("timer refused: exit code", app.exit(), 0)

    clip("empty")
    with Run(args.seams_exe, WENDRASK_SEAM_FAIL_DRAW="1") as app:
        jobs = wt.JobWatcher()
        clip("bitmap", "40", "30")
        box = app.message_box()
        check("drawing failure: caption", box.get("caption"), "Wendrask")
        check("drawing failure: icon", box.get("icon"), "error")
        check("drawing failure: a text ending in a period", box.get("text", "").endswith("."), True)
        jobs.expect_no_job(3)
        ui("keys", "--window", app.print_setup_dialog()["hwnd"], "escape")
        clip("bitmap", "40", "30")
        check_printed("drawing failure: the next picture", jobs)
        check("drawing failure: exit code", app.exit(), 0)
        check("drawing failure: the failed job printed nothing", jobs.count_new(), 1)


SCENARIOS = {f.__name__: f for f in (pictures, errors, closing, no_printer, seams)}
wt.run_scenarios(SCENARIOS, args.scenarios)
sys.exit(wt.summary("program"))
