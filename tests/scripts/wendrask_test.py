"""Black-box test harness for Windows programs in the test environment.

Use it from a test script run under tests/scripts/with-testenv (directly or
through ctest). Python standard library only.

    import wendrask_test as wt
    helpers = wt.Helpers.in_build("build/windows")   # ClipHelper, UiDriver
    jobs = wt.JobWatcher()                  # before the print happens
    app = wt.start_exe("build/windows/Wendrask.exe")
    helpers.wait_window("Wendrask", exe="Wendrask.exe")
    helpers.clip("bitmap", 640, 480)
    job = jobs.next_job(timeout=10)         # the next captured job, whole
    page = job.pages()[0]
    assert page.bbox() == wt.rect_to_page(0, 0, 2425, 3075)
    helpers.ui("close", "--title", "Wendrask", "--exe", "Wendrask.exe")
    assert app.wait(10) == 0

Captured jobs are $WENDRASK_JOBS/job-NNNN.ps with their title beside them;
pages and coordinates as in pagemeasure (page pixels; GDI's printer (x, y) is
page pixel (x + 75, y + 100) on the Capture printer). Program.pid is the Linux
PID of the Wine process itself (process_status() reads its memory figures).

A scenario script checks with check(), which prints ok or FAIL per line and
keeps the failures, runs its scenarios with run_scenarios() and ends with
sys.exit(summary(NAME)); WendraskRun is one run of the program:

    helpers = wt.Helpers(clip_exe=args.clip, ui_exe=args.ui)
    with wt.WendraskRun(helpers, args.exe) as app:    # main window shown
        app.keys("alt+f x")
        wt.check("Exit: exit code", app.exit_code(), 0)
"""

import os
import queue
import re
import subprocess
import sys
import threading
import time

SCRIPTS = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(SCRIPTS))
WINE_RUN = os.path.join(SCRIPTS, "wine-run")
TESTENV_PRINTER = os.path.join(SCRIPTS, "testenv-printer")

sys.path.insert(0, SCRIPTS)
import pagemeasure  # noqa: E402

# The Capture printer (tests/cups/Capture.ppd) as GDI reports it.
PRINTER_DPI = 300
PAGE_SIZE = (2550, 3300)          # PHYSICALWIDTH, PHYSICALHEIGHT
PRINTABLE_SIZE = (2425, 3075)     # HORZRES, VERTRES
PRINTABLE_OFFSET = (75, 100)      # PHYSICALOFFSETX, PHYSICALOFFSETY

_JOB_NAME = re.compile(r"^job-(\d+)\.ps$")


class EnvironmentMissing(RuntimeError):
    pass


def env_dir(name):
    value = os.environ.get(name)
    if not value:
        raise EnvironmentMissing(f"{name} is not set: run under tests/scripts/with-testenv")
    return value


def jobs_dir():
    return env_dir("WENDRASK_JOBS")


def to_page(x, y):
    """A GDI printer coordinate as a page pixel."""
    return (x + PRINTABLE_OFFSET[0], y + PRINTABLE_OFFSET[1])


def rect_to_page(left, top, right, bottom):
    dx, dy = PRINTABLE_OFFSET
    return (left + dx, top + dy, right + dx, bottom + dy)


# ---------------------------------------------------------------- programs

def loader():
    """The 64-bit Wine loader of the environment."""
    env_dir("WINEPREFIX")
    return os.environ.get("WINELOADER", "/usr/lib/wine/wine64")


def run_exe(exe, *args, check=True, timeout=120, input=None):
    """Runs a Windows program to its end; returns subprocess.CompletedProcess
    (text stdout/stderr with LF line ends, returncode = the program's exit
    code, low 8 bits)."""
    env_dir("WINEPREFIX")
    result = subprocess.run([WINE_RUN, exe, *map(str, args)], input=input, capture_output=True,
                            text=True, timeout=timeout,
                            stdin=None if input is not None else subprocess.DEVNULL)
    if check and result.returncode != 0:
        raise RuntimeError(f"{os.path.basename(exe)} {' '.join(map(str, args))} exited with "
                           f"{result.returncode}: {result.stderr.strip()}")
    return result


class Program:
    """A Windows program running in the background (see start_exe)."""

    def __init__(self, exe, args, popen, capture):
        self.exe = exe
        self.args = args
        self.popen = popen
        self._lines = queue.Queue()
        self._out, self._err = [], []
        self._readers = []
        if capture:
            for stream, keep in ((popen.stdout, self._out), (popen.stderr, self._err)):
                t = threading.Thread(target=self._read, args=(stream, keep), daemon=True)
                t.start()
                self._readers.append(t)

    def _read(self, stream, keep):
        for line in stream:
            line = line.rstrip("\r\n")
            keep.append(line)
            if keep is self._out:
                self._lines.put(line)
        stream.close()

    @property
    def pid(self):
        """Linux PID of the Wine process running the program (its
        /proc/PID/status gives memory figures)."""
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=30):
        """Waits for the end; returns the exit code. Raises subprocess.TimeoutExpired."""
        return self.popen.wait(timeout=timeout)

    def wait_line(self, pattern, timeout=10):
        """Waits for a stdout line matching the regular expression (started
        with capture=True); returns the match. Lines before it are consumed."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        while True:
            remaining = deadline - time.monotonic()
            try:
                line = self._lines.get(timeout=max(0.0, min(remaining, 0.2)))
            except queue.Empty:
                if remaining <= 0:
                    raise TimeoutError(f"{os.path.basename(self.exe)} wrote no line matching "
                                       f"{pattern!r} within {timeout} s") from None
                if not self.running() and all(not t.is_alive() for t in self._readers) \
                        and self._lines.empty():
                    raise RuntimeError(f"{os.path.basename(self.exe)} ended (exit code "
                                       f"{self.popen.returncode}) without a line matching {pattern!r}")
                continue
            m = regex.search(line)
            if m:
                return m

    def output(self, timeout=30):
        """stdout and stderr (LF line ends) once it ended (capture=True)."""
        self.popen.wait(timeout=timeout)
        for t in self._readers:
            t.join(timeout)
        return "".join(x + "\n" for x in self._out), "".join(x + "\n" for x in self._err)

    def kill(self):
        """Ends the program at once, by its PID."""
        if self.running():
            self.popen.kill()
            self.popen.wait(timeout=10)


def start_exe(exe, *args, capture=False):
    """Starts a Windows program and returns a Program at once. It runs in the
    Wine loader directly, so Program.pid is the program's own process and
    kill() ends it. With capture=True its output is kept for wait_line() and
    output(); otherwise stdout is dropped and stderr passes through."""
    pipe = subprocess.PIPE if capture else subprocess.DEVNULL
    popen = subprocess.Popen([loader(), exe, *map(str, args)], stdin=subprocess.DEVNULL,
                             stdout=pipe, stderr=pipe if capture else None,
                             text=True, errors="replace")
    return Program(exe, args, popen, capture)


def process_status(pid):
    """The Linux /proc/PID/status of a Wine process as a dict of ints (kB
    for the Vm* fields), e.g. VmRSS, VmSize, VmData, Threads. Under Wine this
    is where memory figures come from (GetProcessMemoryInfo's PrivateUsage
    is 0)."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            first = rest.split()
            if first and first[0].isdigit():
                values[key] = int(first[0])
    return values


def wait_for(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


# ---------------------------------------------------------------- checks

failures = []


def check(what, got, want):
    """Prints "ok" or "FAIL" and what was checked (with got and want when
    they differ); a failure is kept in failures. Returns got == want."""
    ok = got == want
    print(f"{'ok  ' if ok else 'FAIL'} {what}" + ("" if ok else f": got {got!r}, want {want!r}"), flush=True)
    if not ok:
        failures.append(what)
    return ok


def run_scenarios(scenarios, names=None):
    """Runs the named scenarios of the dict (all, in its order, when none are
    named). One that raises counts as a failed check; the next one goes on."""
    for name in names or scenarios:
        print(f"-- {name}", flush=True)
        try:
            scenarios[name]()
        except Exception as e:  # a scenario that cannot go on counts as failed
            check(f"{name}: ran to its end", repr(e), None)


def summary(name):
    """Prints the outcome of all checks; returns the exit code for it."""
    print(f"{name}:", "ok" if not failures else f"{len(failures)} failure(s)", flush=True)
    return 1 if failures else 0


# ---------------------------------------------------------------- printing

def printer(command):
    """Changes the private scheduler: "remove", "add", "stop" or "start"
    (see tests/scripts/testenv-printer for what Wine notices and when)."""
    subprocess.run([TESTENV_PRINTER, command], check=True)


def job_numbers():
    names = os.listdir(jobs_dir())
    return sorted(int(m.group(1)) for m in map(_JOB_NAME.match, names) if m)


class Job:
    """One captured job."""

    def __init__(self, number):
        self.number = number
        self.path = os.path.join(jobs_dir(), "job-%04d.ps" % number)
        with open(os.path.join(jobs_dir(), "job-%04d.title" % number), encoding="utf-8",
                  errors="replace") as f:
            # Wine 8 cuts a CUPS job title that is not plain ASCII (its
            # conversion buffer holds one byte per character plus 3).
            self.title = f.read()
        self._pages = None

    def pages(self):
        """The job's pages rendered at 300 dpi (pagemeasure.Page), cached."""
        if self._pages is None:
            self._pages = pagemeasure.render(self.path)
        return self._pages

    def __repr__(self):
        return f"Job({self.number}, {self.title!r})"


class JobWatcher:
    """Sees the jobs captured after its creation, in order."""

    def __init__(self):
        numbers = job_numbers()
        self.start = numbers[-1] if numbers else 0
        self.last = self.start

    def new_jobs(self):
        return [n for n in job_numbers() if n > self.start]

    def count_new(self):
        return len(self.new_jobs())

    def next_job(self, timeout=10):
        """Waits for the job after the last one returned; raises TimeoutError."""
        wanted = self.last + 1
        path = os.path.join(jobs_dir(), "job-%04d.ps" % wanted)
        wait_for(lambda: os.path.exists(path), timeout, what=f"print job {wanted}")
        self.last = wanted
        return Job(wanted)

    def expect_no_job(self, seconds):
        """Waits the given time and fails if a job arrived meanwhile."""
        time.sleep(seconds)
        extra = [n for n in job_numbers() if n > self.last]
        if extra:
            raise AssertionError(f"unexpected print job(s) {extra}")


# ---------------------------------------------------------------- helper programs

def fields(text, prefix=None):
    """The key=value fields of UiDriver's (or a probe's) output, tab-separated
    or one per line, as a dict; the first of a repeated key wins (a window's
    own fields before its children's). With prefix, text must be a line
    starting with that word (e.g. "window")."""
    if prefix and text.split("\t", 1)[0] != prefix:
        raise ValueError(f"expected a '{prefix}' line, got {text!r}")
    result = {}
    for line in text.splitlines():
        for part in line.split("\t"):
            name, sep, value = part.partition("=")
            if sep and name not in result:
                result[name] = value
    return result


class Helpers:
    """The test helper programs ClipHelper.exe and UiDriver.exe; command lines
    in tests/windows/helpers/README.md. The programs are given, or found in
    the folder given or in $WENDRASK_HELPERS."""

    def __init__(self, directory=None, clip_exe=None, ui_exe=None):
        if not (clip_exe and ui_exe):
            directory = directory or os.environ.get("WENDRASK_HELPERS")
            if not directory:
                raise EnvironmentMissing("no helpers folder: pass one or set WENDRASK_HELPERS")
        self.clip_exe = clip_exe or os.path.join(directory, "ClipHelper.exe")
        self.ui_exe = ui_exe or os.path.join(directory, "UiDriver.exe")

    @classmethod
    def in_build(cls, build_dir):
        """The helpers of a Windows build folder (e.g. build/windows)."""
        return cls(os.path.join(build_dir, "tests", "windows", "helpers"))

    def clip(self, *args, check=True, timeout=120):
        return run_exe(self.clip_exe, *args, check=check, timeout=timeout)

    def clip_out(self, *args, check=True, timeout=120):
        """ClipHelper's stdout."""
        return self.clip(*args, check=check, timeout=timeout).stdout

    def ui(self, *args, check=True, timeout=120):
        return run_exe(self.ui_exe, *args, check=check, timeout=timeout)

    def hold(self, ms, *extra):
        """Starts ClipHelper holding the clipboard open for ms; returns the
        Program once the clipboard is held (its `released` line follows)."""
        holder = start_exe(self.clip_exe, "hold", ms, *extra, capture=True)
        holder.wait_line(r"^held$", timeout=15)
        return holder

    def clipboard_formats(self):
        """[(number, name), ...] in enumeration order."""
        out = self.clip("formats").stdout
        return [(int(n), name) for n, _, name in (line.partition(" ") for line in out.splitlines())]

    def clipboard_count(self):
        return int(self.clip("count").stdout.strip())

    def wait_clipboard_empty(self, ms):
        """True once the clipboard holds nothing, False after ms."""
        return self.clip("wait-empty", ms, check=False).returncode == 0

    def wait_window(self, title, exe=None, timeout_ms=5000, children=False):
        """The visible top-level window titled title, as a dict of its fields
        (hwnd, pid, rect, client, ...); with children=True also a "children"
        list of dicts."""
        args = ["wait-window", "--title", title, "--timeout", timeout_ms]
        args += ["--exe", exe] if exe else []
        args += ["--children"] if children else []
        lines = self.ui(*args).stdout.splitlines()
        window = fields(lines[0], "window")
        if children:
            window["children"] = [fields(line, "child") for line in lines[1:] if line.startswith("child\t")]
        return window

    def msgbox(self, exe=None, timeout_ms=5000, keep=False, press=None):
        """Waits for a message box and returns its fields (caption, text,
        icon, buttons, ...); presses OK (or press) unless keep."""
        args = ["msgbox", "--timeout", timeout_ms]
        args += ["--exe", exe] if exe else []
        args += ["--keep"] if keep else []
        args += ["--press", press] if press else []
        return fields(self.ui(*args).stdout)

    def no_msgbox(self, ms, exe=None):
        """True if no message box appears within ms."""
        args = ["no-msgbox", "--for", ms] + (["--exe", exe] if exe else [])
        return self.ui(*args, check=False).returncode == 0


# ---------------------------------------------------------------- Wendrask

class WendraskRun:
    """One run of a Wendrask build (Wendrask.exe or a test build) through
    wine-run, with extra environment variables, e.g.
    WendraskRun(helpers, exe, WENDRASK_SEAM_FAIL_TIMER="1"). Entering starts
    it and, unless wait=False, waits for its main window; leaving ends it
    through UiDriver's kill if it still runs (a scenario that failed
    half-way)."""

    def __init__(self, helpers, exe, wait=True, **environment):
        self.helpers = helpers
        self.exe = exe
        self.name = os.path.basename(exe)
        self.environment = environment
        self._wait = wait
        self.popen = None

    def __enter__(self):
        self.popen = subprocess.Popen([WINE_RUN, self.exe], env=dict(os.environ, **self.environment),
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        if self._wait:
            try:
                self.wait_window()
            except BaseException:
                self.kill()
                raise
        return self

    def __exit__(self, *exc):
        self.kill()

    def kill(self):
        """Ends the program if it still runs: UiDriver's kill, else a TERM to
        wine-run (which passes it on), else a KILL."""
        if self.popen is None or self.popen.poll() is not None:
            return
        self.helpers.ui("kill", "--exe", self.name, check=False)
        for end in (None, self.popen.terminate, self.popen.kill):
            if end:
                end()
            try:
                self.popen.wait(timeout=10)
                return
            except subprocess.TimeoutExpired:
                pass

    def target(self):
        """UiDriver's TARGET options for the main window."""
        return ["--title", "Wendrask", "--class", "WendraskForm", "--exe", self.name]

    def wait_window(self, timeout_ms=30000):
        """The main window's fields once it is visible."""
        return fields(self.helpers.ui("wait-window", *self.target(), "--timeout", timeout_ms).stdout)

    def running(self):
        return self.popen.poll() is None

    def keys(self, *keys):
        """Keys to the main window (UiDriver's keys)."""
        self.helpers.ui("keys", *self.target(), *keys)

    def message_box(self, timeout=15000):
        """The program's next message box, as its fields; pressed OK."""
        return self.helpers.msgbox(exe=self.name, timeout_ms=timeout)

    def no_message_box(self, ms=300):
        """True if the program shows no message box within ms."""
        return self.helpers.no_msgbox(ms, exe=self.name)

    def exit_code(self, timeout=30):
        """Waits for the end; returns the exit code."""
        return self.popen.wait(timeout=timeout)

    def exit(self):
        """File > Exit; returns the exit code."""
        self.helpers.ui("keys", *self.target(), "alt+f x")
        return self.exit_code()
