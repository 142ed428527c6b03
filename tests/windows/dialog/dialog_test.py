"""Wendrask.exe's settings dialog, black-box: opened with Alt+S on the main
window, driven with real keystrokes and clicks (UiDriver's SendInput), read
through its controls; what OK returns is measured on the pages the
capturing printer receives, and only OK changes what the next opening shows.

Run under tests/scripts/with-testenv:
    dialog_test.py --exe Wendrask.exe --clip ClipHelper.exe --ui UiDriver.exe
                   --probe FontProbe.exe --out DIR [--ppi N] [SCENARIO...]

Scenarios: leaving, overflow, placement, comma, layout (default: all). --ppi sets
the screen resolution of the test prefix for the run and sets it back after.
Screenshots of the dialog go to DIR/dialog-<ppi>ppi.png.
"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import wendrask_test as wt  # noqa: E402
import xshot  # noqa: E402

parser = argparse.ArgumentParser()
for name in ("--exe", "--clip", "--ui", "--probe", "--out"):
    parser.add_argument(name, required=True)
parser.add_argument("--ppi", type=int)
parser.add_argument("scenarios", nargs="*")
args = parser.parse_args()

ITEMS = ["fit", "1 dot = N printer pixel (Left)", "1 dot = N printer pixel (Center)",
         "Specify the printing size (Left)", "Specify the printing size (Center)"]
OK, CANCEL = "OK(&Y)", "Cancel(&N)"
helpers = wt.Helpers(clip_exe=args.clip, ui_exe=args.ui)
check, clip, ui, fields = wt.check, helpers.clip_out, helpers.ui, wt.fields


def rect(text):
    return tuple(int(v) for v in text.split(","))


def muldiv(a, b, c):
    """Win32 MulDiv for non-negative values: rounded half up."""
    return (2 * a * b + c) // (2 * c)


class Dialog:
    """The "Set" window and its controls as UiDriver lists them."""

    def __init__(self, lines):
        self.window = fields(lines[0])
        self.children = [fields(line) for line in lines[1:] if line.startswith("child\t")]
        edits = sorted((c for c in self.children if c["class"] == "Edit"), key=lambda c: rect(c["rect"])[1])
        self.named = dict(zip(("N", "width", "height"), edits))
        for c in self.children:
            if c.get("kind") == "radio":
                self.named[f"item{ITEMS.index(c['text'])}"] = c
            elif c.get("kind") == "check":
                self.named["ratio"] = c
            elif c.get("kind") == "group":
                self.named["group"] = c
            elif c["text"] == OK:
                self.named["ok"] = c
            elif c["text"] == CANCEL:
                self.named["cancel"] = c

    def state(self):
        """What the dialog shows, in the terms of the settings."""
        modes = [i for i in range(len(ITEMS)) if self.named[f"item{i}"].get("checked") == "1"]
        return {"N": self.named["N"]["text"], "width": self.named["width"]["text"],
                "height": self.named["height"]["text"], "modes": modes,
                "ratio": self.named["ratio"].get("checked") == "1",
                "height enabled": self.named["height"]["enabled"] == "1"}

    def focus(self):
        return next((name for name, c in self.named.items() if c["focus"] == "1"), None)


class App(wt.WendraskRun):
    """One run of Wendrask.exe on an empty clipboard, its main window shown;
    killed if a scenario fails half-way."""

    def __init__(self):
        super().__init__(helpers, args.exe)
        self.SET = ["--title", "Set", "--class", "WendraskForm", "--exe", self.name]

    def __enter__(self):
        clip("empty")
        return super().__enter__()

    def open(self):
        ui("keys", *self.target(), "alt+s")
        return self.dialog(timeout_ms=10000)

    def dialog(self, timeout_ms=5000):
        found = ui("wait-window", *self.SET, "--children", "--timeout", str(timeout_ms), check=False)
        if found.returncode:
            listed = ui("windows", "--exe", self.name, check=False).stdout
            raise RuntimeError(f"no dialog: {found.stderr.strip()}; the program's windows:\n{listed}")
        return Dialog(found.stdout.splitlines())

    def is_open(self):
        out = ui("windows", "--visible", *self.SET[:4], "--exe", self.name).stdout
        return any(line.startswith("window\t") for line in out.splitlines())

    def keys(self, *keys):
        ui("keys", *self.SET, *keys)

    def click(self, text):
        ui("click", *self.SET, "--child", text)

    def click_control(self, dialog, name):
        ui("click", *self.SET, "--id", dialog.named[name]["id"])

    def type_into(self, dialog, name, text):
        """Replaces the edit's text with text, typed."""
        self.click_control(dialog, name)
        self.keys("end", "shift+home", f"text:{text}" if text else "delete")

    def focus_by_tab(self, name):
        """Moves the focus to a control with Tab from the N edit, as the tab
        order goes: the selected item, N, width, height (when enabled), OK,
        Cancel, the box."""
        d = self.dialog()
        if name.startswith("item"):
            self.click_control(d, name)     # an item already selected
        else:
            self.click_control(d, "N")
            order = ["N", "width"] + (["height"] if d.state()["height enabled"] else []) + ["ok", "cancel", "ratio"]
            if order.index(name):
                self.keys(f"tab*{order.index(name)}")
        return check(f"focus on {name}", self.dialog().focus(), name)

    def set_ratio(self, wanted):
        if self.dialog().state()["ratio"] != wanted:
            self.click("Ratio 1:1")

    def wait_closed(self):
        return ui("wait-gone", *self.SET, "--timeout", "5000", check=False).returncode == 0

    def title_bar_close(self):
        """A real click on the close button of the title bar."""
        w = self.dialog().window
        outer, client = rect(w["rect"]), rect(w["client"])
        frame = client[0] - outer[0]
        caption = client[1] - outer[1] - frame
        x = outer[2] - frame - caption // 2 - 2 - client[0]
        y = outer[1] + frame + caption // 2 - client[1]
        ui("click", *self.SET, str(x), str(y))

    def exit(self):
        check("program exit code", super().exit(), 0)


def shown(model):
    """The dialog state that the settings model should show."""
    return {"N": model["N"], "width": model["width"], "height": model["height"], "modes": [model["mode"]],
            "ratio": model["ratio"], "height enabled": not model["ratio"]}


# ---------------------------------------------------------------- scenarios

# Each way of leaving: where the focus is, what is done, whether it is OK.
LEAVING = [
    ("click on OK", "width", ("click", OK), True),
    ("Alt+Y in an edit", "width", ("keys", "alt+y"), True),
    ("Y alone on an item", "item", ("keys", "y"), True),
    ("Y alone on the box", "ratio", ("keys", "y"), True),
    ("Enter in the N edit", "N", ("keys", "enter"), True),
    ("Enter in the width edit", "width", ("keys", "enter"), True),
    ("Enter in the height edit", "height", ("keys", "enter"), True),
    ("Enter on an item", "item", ("keys", "enter"), True),
    ("Enter on the box", "ratio", ("keys", "enter"), True),
    ("Enter on OK", "ok", ("keys", "enter"), True),
    ("Enter on Cancel", "cancel", ("keys", "enter"), False),
    ("click on Cancel", "width", ("click", CANCEL), False),
    ("Alt+N in an edit", "height", ("keys", "alt+n"), False),
    ("N alone on OK", "ok", ("keys", "n"), False),
    ("N alone on the box", "ratio", ("keys", "n"), False),
    ("Escape in an edit", "N", ("keys", "escape"), False),
    ("Escape on OK", "ok", ("keys", "escape"), False),
    ("Escape on an item", "item", ("keys", "escape"), False),
    ("title-bar close button", "width", ("title-close",), False),
    ("Alt+F4", "width", ("keys", "alt+f4"), False),
    ("system menu, Close", "width", ("keys", "alt+space", "c"), False),
]

# Enter and Escape with a modifier do nothing, in an edit and on a button.
MODIFIED = ["shift+enter", "ctrl+enter", "alt+enter", "shift+escape", "ctrl+escape", "alt+escape"]


def leaving():
    """Every way of leaving; only OK changes what the next opening shows.
    Each row types a new width and N, picks another item and sets the box
    (the height edit must be enabled to be typed in)."""
    with App() as app:
        model = {"N": "1", "width": "100", "height": "100", "mode": 0, "ratio": True}
        d = app.open()
        check("defaults shown", d.state(), shown(model))
        check("first focus: the selected item", d.focus(), "item0")
        # The box switches the height edit at once, both ways.
        app.click("Ratio 1:1")
        check("unchecked: height enabled", app.dialog().state()["height enabled"], True)
        app.click("Ratio 1:1")
        check("checked again: height disabled", app.dialog().state()["height enabled"], False)
        # The button drawn as the default is the one Enter would press.
        kinds = lambda: tuple(app.dialog().named[b]["kind"] for b in ("ok", "cancel"))  # noqa: E731
        check("drawn as default at first: OK", kinds(), ("default", "push"))
        app.focus_by_tab("cancel")
        check("drawn as default with Cancel focused: Cancel", kinds(), ("push", "default"))
        app.click_control(app.dialog(), "width")
        check("drawn as default after a click in an edit: OK", kinds(), ("default", "push"))
        # Y and N in an edit are text.
        app.type_into(d, "width", "ynY")
        check("y and n typed in an edit", app.dialog().state()["width"], "ynY")
        check("still open after y and n in an edit", app.is_open(), True)

        jobs = wt.JobWatcher()
        for number, (what, focus, action, accepted) in enumerate(LEAVING):
            if number:
                d = app.open()
                check(f"{what}: shown at opening", d.state(), shown(model))
            typed = {"N": str(2 + number), "width": str(201 + number), "mode": number % len(ITEMS),
                     "ratio": focus != "height" and number % 3 != 0}
            app.set_ratio(typed["ratio"])
            app.click(ITEMS[typed["mode"]])
            d = app.dialog()
            app.type_into(d, "N", typed["N"])
            app.type_into(d, "width", typed["width"])
            if focus == "height":
                typed["height"] = str(301 + number)
                app.type_into(d, "height", typed["height"])
            if focus == "item":
                focus = f"item{typed['mode']}"
            app.focus_by_tab(focus)
            if number == 0:
                # No tick while the dialog is open: a picture waits.
                clip("bitmap", "40", "30")
                jobs.expect_no_job(2.5)
            if action[0] == "click":
                app.click(action[1])
            elif action[0] == "title-close":
                app.title_bar_close()
            else:
                app.keys(*action[1:])
            check(f"{what}: dialog closed", app.wait_closed(), True)
            if number == 0:
                job = jobs.next_job(timeout=20)
                check("the poll goes on after the dialog", job.title, "Wendrask")
            if accepted:
                model.update(typed)

        # Enter and Escape with Shift, Ctrl or Alt do nothing.
        d = app.open()
        check("after the last row: shown", d.state(), shown(model))
        for focus in ("width", "ok"):
            app.focus_by_tab(focus)
            for chord in MODIFIED:
                app.keys(chord)
                check(f"{chord} on {focus}: still open", app.is_open() and app.no_message_box(100), True)
        app.keys("escape")
        check("Escape after the chords: closed", app.wait_closed(), True)
        check("no error box in all this", app.no_message_box(), True)
        check("nothing printed but the picture", jobs.count_new(), 1)
        app.exit()


def overflow():
    """A width or height too large for a double: the error box, the dialog
    stays open, and the main window keeps its settings."""
    with App() as app:
        d = app.open()
        app.type_into(d, "N", "")
        app.type_into(d, "width", "1e400")
        app.click(OK)
        box = app.message_box()
        check("width 1e400: box caption", box.get("caption"), "Wendrask")
        check("width 1e400: box text", box.get("text"), "浮動小数点数のオーバーフロー.")
        check("width 1e400: box icon", box.get("icon"), "error")
        check("width 1e400: dialog still open", app.is_open(), True)
        state = app.dialog().state()
        check("width 1e400: the empty N edit got 0 first", state["N"], "0")
        check("width 1e400: the width as typed", state["width"], "1e400")

        app.set_ratio(False)
        d = app.dialog()
        app.type_into(d, "width", "50")
        app.type_into(d, "height", "-1E+400")
        app.keys("enter")
        check("height -1E+400: box text", app.message_box().get("text"), "浮動小数点数のオーバーフロー.")
        check("height -1E+400: dialog still open", app.is_open(), True)
        app.keys("escape")
        check("closed with Escape", app.wait_closed(), True)
        check("settings unchanged", app.open().state(),
              shown({"N": "1", "width": "100", "height": "100", "mode": 0, "ratio": True}))
        app.keys("escape")
        app.wait_closed()
        app.exit()


# Typed values accepted with OK, and where the next picture lands. Rect:
# printer pixels on the Capture printer (300 dpi, printable 2425 x 3075).
PLACEMENT = [
    # mode, width, height, N, ratio, picture, rect, (width, height, N) shown next
    (3, "50.8", None, None, True, (200, 100), (0, 0, 600, 300), ("50.8", "100", "1")),
    (3, "9.99", None, None, True, (200, 100), (0, 0, 118, 59), ("10", "100", "1")),
    (4, "25.4", "1.27e1", None, False, (200, 100), (1062, 1462, 1362, 1612), ("25.4", "12.7", "1")),
    (4, "-20", "", None, False, (200, 100), (1153, 1478, 1271, 1596), ("10", "10", "1")),
    (4, "1,5", "１００", None, False, (200, 100), (1153, 1478, 1271, 1596), ("10", "10", "1")),
    (1, None, None, "0x1A", False, (10, 5), (0, 0, 260, 130), ("10", "10", "26")),
    (2, None, None, "$A", True, (20, 10), (1112, 1487, 1312, 1587), ("10", "10", "10")),
    (1, None, None, "101", True, (3, 2), (0, 0, 300, 200), ("10", "10", "100")),
    (1, None, None, "2.5", True, (30, 20), (0, 0, 30, 20), ("10", "10", "1")),
]


def placement():
    with App() as app:
        jobs = wt.JobWatcher()
        expected = None
        for mode, width, height, n, ratio, picture, printer_rect, next_shown in PLACEMENT:
            what = f"{ITEMS[mode]}, width {width!r}, height {height!r}, N {n!r}, ratio {ratio}"
            d = app.open()
            if expected:
                state = d.state()
                check(f"shown before {what}", (state["width"], state["height"], state["N"]), expected)
            app.click(ITEMS[mode])
            app.set_ratio(ratio)
            d = app.dialog()
            for name, text in (("width", width), ("height", height), ("N", n)):
                if text is not None:
                    app.type_into(d, name, text)
            app.click(OK)
            check(f"{what}: closed", app.wait_closed(), True)
            clip("bitmap", *map(str, picture))
            job = jobs.next_job(timeout=20)
            pages = job.pages()
            check(f"{what}: placed", pages[0].bbox() if pages else None, wt.rect_to_page(*printer_rect))
            expected = next_shown
        state = app.open().state()
        check("shown after the last row", (state["width"], state["height"], state["N"]), expected)
        app.keys("escape")
        app.wait_closed()
        check("no error box", app.no_message_box(), True)
        app.exit()


def comma():
    """Under a locale whose decimal symbol is a comma the edits still show a
    period, so OK without typing keeps a width with a fraction."""
    set_international("sDecimal", ",")
    try:
        check("the locale's decimal symbol", probe()[0]["decimal"], ",")
        with App() as app:
            jobs = wt.JobWatcher()
            d = app.open()
            app.click(ITEMS[3])
            app.type_into(d, "width", "50.8")
            app.click(OK)
            app.wait_closed()
            for attempt in ("typed", "accepted again untouched"):
                state = app.open().state()
                check(f"50.8 {attempt}: shown with a period", state["width"], "50.8")
                app.click(OK)
                check(f"50.8 {attempt}: closed", app.wait_closed(), True)
                clip("bitmap", "200", "100")
                pages = jobs.next_job(timeout=20).pages()
                check(f"50.8 {attempt}: placed", pages[0].bbox() if pages else None,
                      wt.rect_to_page(0, 0, 600, 300))
            app.exit()
    finally:
        set_international("sDecimal", ".")


# The form resource: control, left, top, width, height (120 ppi design);
# labels size themselves to their captions.
CONTROLS = [
    ("group", 10, 10, 361, 181), ("N", 72, 224, 153, 23), ("width", 70, 284, 151, 23),
    ("ratio", 272, 280, 105, 33), ("height", 70, 324, 151, 23), ("ok", 130, 366, 111, 41),
    ("cancel", 260, 366, 111, 41),
]
LABELS = [
    ("(1 dot = N printer pixel(s))", 8, 200), ("N:", 16, 224), ("(if you specify the printing size)", 10, 264),
    ("width:", 10, 294), ("mm", 230, 294), ("height:", 10, 334), ("mm", 230, 334),
]
TEXTS = {"group": "Selection", "ratio": "Ratio 1:1", "ok": OK, "cancel": CANCEL}
TAB_ORDER = ["item0", "N", "width", "ok", "cancel", "ratio", "item0"]


def probe(*texts):
    """DialogProbe's first line as a dict, and the extent of each text."""
    lines = wt.run_exe(args.probe, *texts).stdout.splitlines()
    return fields(lines[0]), [rect(fields(line)["extent"]) for line in lines[1:]]


def layout():
    """Every control where the resource and the scaling rule put it."""
    font, extents = probe(*[text for text, _, _ in LABELS])
    ppi, zero = int(font["ppi"]), int(font["zero"])
    print(f"screen {ppi} ppi, font {font['font']}, digit zero {zero} pixels high", flush=True)
    s = (lambda v: v) if zero == 15 else (lambda v: muldiv(v, zero, 15))

    with App() as app:
        d = app.open()
        w = d.window
        outer, client = rect(w["rect"]), rect(w["client"])
        check("position", outer[:2], (200, 114))
        check("client size", (client[2] - client[0], client[3] - client[1]), (s(382), s(419)))
        style, exstyle = int(w["style"], 16), int(w["exstyle"], 16)
        check("title bar with system menu, no minimise, maximise or sizing",
              (bool(style & 0xC00000), bool(style & 0x80000), style & 0x20000, style & 0x10000, style & 0x40000),
              (True, True, 0, 0, 0))
        check("dialog frame", exstyle & 0x1, 0x1)
        for name, left, top, width, height in CONTROLS:
            c = d.named[name]
            check(f"{name}: rectangle", rect(c["rect"]), (s(left), s(top), s(left) + s(width), s(top) + s(height)))
            if name in TEXTS:
                check(f"{name}: caption", c["text"], TEXTS[name])
        statics = [c for c in d.children if c["class"] == "Static"]
        for (text, left, top), (ew, eh) in zip(LABELS, extents):
            c = next((c for c in statics if c["text"] == text and rect(c["rect"])[:2] == (s(left), s(top))), None)
            check(f"label {text!r} at {left},{top}: sized to its caption",
                  rect(c["rect"]) if c else None, (s(left), s(top), s(left) + ew, s(top) + eh))
        check("no other labels", len(statics), len(LABELS))
        # Items: one column below the caption line, sharing the box's height.
        inset, span = s(8), s(181) - s(4) - zero
        for i, text in enumerate(ITEMS):
            c = d.named[f"item{i}"]
            check(f"item {i}: parent is the group", c["parent"], d.named["group"]["hwnd"])
            check(f"item {i}: caption", c["text"], text)
            check(f"item {i}: rectangle", rect(c["rect"]),
                  (inset, zero + i * span // 5, s(361) - inset, zero + (i + 1) * span // 5))
        # The tab order, walked with real Tab keys.
        walked = [d.focus()]
        for _ in TAB_ORDER[1:]:
            app.keys("tab")
            walked.append(app.dialog().focus())
        check("tab order (height disabled)", walked, TAB_ORDER)
        os.makedirs(args.out, exist_ok=True)
        png = os.path.join(args.out, f"dialog-{ppi}ppi.png")
        width, height, rows = xshot.grab("Set")
        xshot.write_png(png, width, height, rows)
        print(f"screenshot {png}", flush=True)
        app.keys("escape")
        app.wait_closed()
        app.exit()


# ---------------------------------------------------------------- main

SCENARIOS = {"leaving": leaving, "overflow": overflow, "placement": placement, "comma": comma, "layout": layout}


def set_registry(key, name, kind, value):
    """A value in the test prefix's registry; Wine reads these when a program starts."""
    subprocess.run([wt.loader(), "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def set_ppi(value):
    set_registry(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", value)


def set_international(name, value):
    set_registry(r"HKCU\Control Panel\International", name, "REG_SZ", value)


def main():
    if args.ppi:
        set_ppi(args.ppi)
    try:
        wt.run_scenarios(SCENARIOS, args.scenarios)
    finally:
        if args.ppi:
            set_ppi(os.environ.get("WENDRASK_DPI", "96"))
    return wt.summary("dialog")


if __name__ == "__main__":
    sys.exit(main())
