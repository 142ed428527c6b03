"""Black-box test harness for Windows programs in the test environment.

Use it from a test script run under tests/scripts/with-testenv (directly or
through ctest). Python standard library only.

    import wendrask_test as wt
    jobs = wt.JobWatcher()                  # before the print happens
    app = wt.start_exe("build/windows/Wendrask.exe")
    ...
    job = jobs.next_job(timeout=10)         # the next captured job, whole
    page = job.pages()[0]
    assert page.bbox() == (75, 100, 75 + w, 100 + h)
    app.close_and_wait()                    # via UiDriver, or app.kill()

Captured jobs are $WENDRASK_JOBS/job-NNNN.ps with their title beside them;
pages and coordinates as in pagemeasure (page pixels; GDI's printer (x, y) is
page pixel (x + 75, y + 100) on the Capture printer).
"""

import os
import re
import subprocess
import sys
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

def run_exe(exe, *args, check=True, timeout=120, input=None):
    """Runs a Windows program to its end; returns subprocess.CompletedProcess
    (text stdout/stderr, returncode = the program's exit code)."""
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

    def __init__(self, exe, args, popen):
        self.exe = exe
        self.args = args
        self.popen = popen

    @property
    def pid(self):
        """PID of the Wine loader process (a Linux PID; /proc/PID/status works)."""
        return self.popen.pid

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=30):
        """Waits for the end; returns the exit code. Raises subprocess.TimeoutExpired."""
        return self.popen.wait(timeout=timeout)

    def output(self):
        """stdout and stderr once it ended (started with capture=True)."""
        out, err = self.popen.communicate()
        return out or "", err or ""

    def kill(self):
        """Ends the program at once (its Wine loader process, by PID)."""
        if self.running():
            self.popen.kill()
            self.popen.wait(timeout=10)


def start_exe(exe, *args, capture=False):
    """Starts a Windows program under wine-run and returns a Program at once.
    With capture=True its stdout/stderr are kept for Program.output()."""
    env_dir("WINEPREFIX")
    pipe = subprocess.PIPE if capture else subprocess.DEVNULL
    popen = subprocess.Popen([WINE_RUN, exe, *map(str, args)], stdin=subprocess.DEVNULL,
                             stdout=pipe, stderr=pipe if capture else None, text=True)
    return Program(exe, args, popen)


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
