"""Drives the real corvane.exe under Wine and Xvfb as a user would: real clicks and keys through
xdotool, texts read from outside by the driver program, pixels from the X screen.

What the program started is read from Wine's own trace of process creation (WINEDEBUG=+process):
every CreateProcess call, in order, with its command line and the process Wine made for it. What
each child saw is read from the stand-in regsvr32's log, matched to its start by process id. So a
start the program never made is told apart from a child that Wine lost or started late."""
import atexit
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WINE = "/usr/lib/wine/wine64"
CAPTION = "Corvane & MS Jet - By Hollisk"
# The end of a run, as waitstatus matches it: any summary.
DONE = "Registering: Done - *"
ALL_REGISTERED = "Registering: Done - 116 registered. Ctrl+C copies the details."
NONE_STARTED = "Registering: Done - 116 not started. Ctrl+C copies the details."
# Children Wine may lose in one whole run before the harness itself is suspect: Wine loses about
# one start in ten thousand here, and a broken stand-in or prefix loses all of them.
MOST_LOST = 3


def windows_path(path):
    """A Unix path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def expand(item, common, common_x86):
    """A stored line as the run makes it: the quoted path's leading token replaced."""
    parts = item.split('"')
    if len(parts) > 1 and parts[1].startswith("%CommonProgramFiles%"):
        return item.replace("%CommonProgramFiles%", common)
    if len(parts) > 1 and parts[1].startswith("%CommonProgramFiles(x86)%"):
        return item.replace("%CommonProgramFiles(x86)%", common_x86)
    return item


def own_display():
    """Gives this process an X server of its own, so that its clicks, keys and screen reads meet
    only its own windows while other tests run beside it. The server picks a free number."""
    ready, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                              pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(ready, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(ready)
    os.environ["DISPLAY"] = ":" + number.decode().strip()

    def stop():
        for prefix in Prefix.opened:  # their sessions live on this display: end them with it
            prefix.end_session()
        server.terminate()
        server.wait()
    atexit.register(stop)


class Prefix:
    """A Wine prefix of its own for the end-to-end runs, with the stand-in regsvr32 in system32
    and a logging script as the browser."""

    opened = []

    def __init__(self, build, name="wineprefix-e2e", style=""):
        self.build = build
        self.path = os.path.join(build, name)
        self.style = style
        self.driver = os.path.join(build, "tests", "e2e", "driver.exe")
        self.end_session()  # one left from another display would not show our windows
        self.session()
        Prefix.opened.append(self)
        self.system32 = os.path.join(self.path, "drive_c", "windows", "system32")
        self.browser_log = os.path.join(self.path, "browser.log")
        browser = os.path.join(self.path, "browser.sh")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % self.browser_log)
        os.chmod(browser, 0o755)
        self.wine(["reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/t", "REG_SZ",
                   "/d", browser, "/f"], quiet=True)
        self.install_regsvr32()

    def session(self):
        """Makes the prefix once, and its Wine session, detached from our streams (a session
        started by one of our calls would hold that call's pipe until the session ends)."""
        subprocess.run([os.path.join(ROOT, "tests", "wine-prefix.sh"), self.path, self.style], check=True)

    def end_session(self):
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.path),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def env(self, extra=None):
        env = dict(os.environ)
        env.update(WINEPREFIX=self.path, WINEDEBUG=env.get("CORVANE_E2E_WINEDEBUG", "-all"),
                   WINEDLLOVERRIDES="mscoree,mshtml=;regsvr32.exe=n", HOME=env.get("HOME", "/root"))
        env.update(extra or {})
        return env

    def wine(self, args, quiet=False, extra=None, timeout=120):
        self.session()
        return subprocess.run([WINE] + args, env=self.env(extra), timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL if quiet else None)

    def install_regsvr32(self):
        shutil.copyfile(os.path.join(self.build, "tests", "tools", "probe.exe"),
                        os.path.join(self.system32, "regsvr32.exe"))

    def registry_default(self, key, view=None):
        """A key's default value as Wine's reg reads it (in the 64- or 32-bit registry view when
        `view` says "64" or "32"), or None when the key is not there."""
        r = self.wine(["reg", "query", key, "/ve"] + (["/reg:" + view] if view else []), quiet=True)
        if r.returncode != 0:
            return None
        for line in r.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) == 3 and parts[1].startswith("REG_"):
                return parts[2]
        return None

    def remove_regsvr32(self):
        target = os.path.join(self.system32, "regsvr32.exe")
        if os.path.exists(target):
            os.remove(target)


class Control:
    def __init__(self, fields):
        self.fields = fields
        self.hwnd = fields.get("hwnd", "")
        self.cls = fields.get("class", "")
        self.text = fields.get("text", "")
        self.visible = fields.get("visible") == "1"
        self.style = int(fields.get("style", "0"), 16)
        self.window = tuple(int(v) for v in fields.get("window", "0,0,0,0").split(","))
        self.client = tuple(int(v) for v in fields.get("client", "0,0,0,0").split(","))

    @property
    def width(self):
        return self.window[2] - self.window[0]

    @property
    def height(self):
        return self.window[3] - self.window[1]

    @property
    def centre(self):
        return ((self.window[0] + self.window[2]) // 2, (self.window[1] + self.window[3]) // 2)


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


class Snapshot:
    """One reading of the window and its controls, through the driver program."""

    def __init__(self, output):
        self.window = None
        self.controls = []
        self.focus = None
        self.dpi = 96
        self.screen = (0, 0)
        self.checks = {}
        self.edits = {}
        self.items = []
        for line in output.splitlines():
            kind, _, rest = line.partition("\t")
            fields = {}
            for part in rest.split("\t"):
                key, _, value = part.partition("=")
                fields[key] = unescape(value) if key == "text" else value
            if kind == "window":
                self.window = Control(fields)
            elif kind == "control":
                self.controls.append(Control(fields))
            elif kind == "check":
                self.checks[fields["hwnd"]] = int(fields["value"])
            elif kind == "edit":
                self.edits[fields["hwnd"]] = fields["text"]
            elif kind == "item":
                self.items.append(fields["text"])
            elif kind == "focus":
                self.focus = fields.get("hwnd")
            elif kind == "screen":
                self.dpi = int(fields["dpi"])
                self.screen = tuple(int(v) for v in fields["size"].split(","))

    def find(self, text=None, cls=None, size=None):
        for c in self.controls:
            if text is not None and c.text != text:
                continue
            if cls is not None and c.cls != cls:
                continue
            if size is not None and (c.width, c.height) != size:
                continue
            return c
        return None

    def status(self):
        """The status line: the control whose text starts "Registering: "."""
        for c in self.controls:
            if c.text.startswith("Registering: "):
                return c.text
        return None


class Record:
    """One line of the stand-in's log: a child that ran, and what it saw."""

    def __init__(self, line):
        head, _, self.cmd = line.partition("\tcmd=")
        self.fields = dict(p.partition("=")[::2] for p in head.split("\t")[1:] if "=" in p)
        self.pid = int(self.fields.get("pid", "-1"))
        self.status = self.fields.get("status")
        self.module = self.fields.get("module")


class Start:
    """One CreateProcess call the program made: its command line and the process id Wine gave
    the child (None when Wine refused the start), with the child's record once it wrote one."""

    def __init__(self, cmd, tid):
        self.cmd, self.tid, self.pid, self.record = cmd, tid, None, None

    def __repr__(self):
        return f"Start({self.cmd!r}, pid={self.pid}, ran={self.record is not None})"


_TRACE_CALL = re.compile(r'^([0-9a-f]+):trace:process:CreateProcessInternalW app .*? cmdline (L".*"|\(null\))\s*$')
_TRACE_STARTED = re.compile(r'^([0-9a-f]+):trace:process:CreateProcessInternalW started process pid ([0-9a-f]+)')


def wine_string(text):
    """A string as Wine's debug channels print it (L"..." with backslash escapes)."""
    if not text.startswith('L"'):
        return ""
    body, out, i = text[2:-1], [], 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            n = body[i + 1]
            if n in "0123456789abcdef" and i + 4 < len(body):
                out.append(chr(int(body[i + 1:i + 5], 16)))
                i += 5
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(n, n))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_trace(path):
    """Every CreateProcess call in a +process trace, in the order made, with its process id."""
    calls, open_by_thread = [], {}
    if not os.path.exists(path):
        return calls
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = _TRACE_CALL.match(line)
            if m:
                start = Start(wine_string(m.group(2)), m.group(1))
                calls.append(start)
                open_by_thread[start.tid] = start
                continue
            m = _TRACE_STARTED.match(line)
            if m and m.group(1) in open_by_thread:
                open_by_thread.pop(m.group(1)).pid = int(m.group(2), 16)
    return calls


class X86Prefix(Prefix):
    """A WoW64 prefix in the x86 root, for the x86 build: a 64-bit stand-in regsvr32 in system32
    and a 32-bit one in syswow64 (the x64 build beside this one supplies the 64-bit tools)."""

    def __init__(self, build, name="wineprefix-e2e"):
        self.build64 = os.path.join(os.path.dirname(build), "win64")
        super().__init__(build, name=name)
        self.driver = os.path.join(self.build64, "tests", "e2e", "driver.exe")  # native: quicker
        self.driver32 = os.path.join(build, "tests", "e2e", "driver.exe")

    def install_regsvr32(self):
        windows = os.path.join(self.path, "drive_c", "windows")
        shutil.copyfile(os.path.join(self.build64, "tests", "tools", "probe.exe"),
                        os.path.join(windows, "system32", "regsvr32.exe"))
        shutil.copyfile(os.path.join(self.build, "tests", "tools", "probe.exe"),
                        os.path.join(windows, "syswow64", "regsvr32.exe"))


class Program:
    """corvane.exe started under Wine, with the stand-in's log and switches in its environment and
    Wine's trace of process creation kept beside it."""

    def __init__(self, prefix, extra_env=None, exe=None, limited=False):
        """`limited` starts it, through the driver, with a token without administrator rights."""
        self.prefix = prefix
        self.tmp = tempfile.mkdtemp(prefix="corvane-e2e-")
        self.log = os.path.join(self.tmp, "regsvr32.log")
        self.trace = os.path.join(self.tmp, "wine-process.log")
        env = {"CORVANE_PROBE_LOG": windows_path(self.log), "CORVANE_PROBE_WINDOW": CAPTION,
               "WINEDEBUG": "-all,+process"}
        env.update(extra_env or {})
        self.exe = exe or os.path.join(prefix.build, "app", "corvane.exe")
        prefix.session()
        self.started = time.monotonic()
        command = [WINE, self.exe]
        if limited:
            command = [WINE, prefix.driver, "limited", windows_path(self.exe)]
        with open(self.trace, "wb") as trace:
            self.process = subprocess.Popen(command, env=prefix.env(env), stdout=subprocess.DEVNULL, stderr=trace)

    def driver(self, *args, timeout=60):
        r = self.prefix.wine([self.prefix.driver] + list(args), quiet=True, timeout=timeout)
        return r.returncode, r.stdout.decode("utf-8", "replace")

    def snapshot(self):
        code, out = self.driver("dump", CAPTION)
        return Snapshot(out) if code == 0 else None

    def wait_window(self, timeout=120):
        """Waits until the window is shown with its button, then returns the snapshot."""
        code, out = self.driver("waitwindow", CAPTION, str(timeout * 1000), timeout=timeout + 20)
        if code != 0:
            if self.process.poll() is not None:
                raise AssertionError("corvane.exe ended before its window showed")
            raise AssertionError("the window did not appear")
        return Snapshot(out)

    def wait_status(self, text, timeout=60):
        """Waits, in one watching process, until the status line reads `text`; then returns a
        snapshot, or None when it never did."""
        code, _ = self.driver("waitstatus", CAPTION, text, str(timeout * 1000), timeout=timeout + 20)
        return self.snapshot() if code == 0 else None

    def records(self):
        """Every child that ran, in the order they wrote to the stand-in's log."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return [Record(line.rstrip("\n")) for line in f if line.startswith("start\t")]

    def dones(self):
        if not os.path.exists(self.log):
            return 0
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return sum(1 for line in f if line.startswith("done"))

    def made(self):
        """The children the program asked Wine for, in order, each with its child's record when
        that child has written one. Only the program starts regsvr32 lines, so the threads that
        started one are the program's."""
        calls = read_trace(self.trace)
        ours = {c.tid for c in calls if c.cmd.startswith("regsvr32")}
        starts = [c for c in calls if c.tid in ours]
        by_pid = {}
        for record in self.records():
            by_pid.setdefault(record.pid, []).append(record)
        for start in starts:  # Wine hands a freed id out again only much later: first come, first matched
            if start.pid is not None and by_pid.get(start.pid):
                start.record = by_pid[start.pid].pop(0)
        return starts

    def wait_made(self, count, timeout=60):
        """Waits until the program has made `count` starts (read from the trace, not the log)."""
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            if len(self.made()) >= count:
                return True
            if self.process.poll() is not None:
                return len(self.made()) >= count
            time.sleep(0.05)
        return False

    def settled(self, timeout=60):
        """The program's starts once every child Wine started has written its record: children
        slower than the runner's 3 s wait are waited for. A child that has not written one after
        `timeout` is one that Wine lost."""
        until = time.monotonic() + timeout
        while True:
            starts = self.made()
            if all(s.record for s in starts if s.pid is not None) or time.monotonic() >= until:
                return starts
            time.sleep(0.2)

    def close(self, timeout=60):
        """Asks the window to close, as its close box does, and waits for the process to end.
        Returns (seconds it took, starts made after the request), or (None, None) when it did not
        end. A request that comes between a message-pump step and the start that follows it lets
        that one start happen; none may follow it."""
        asked = time.monotonic()
        self.driver("close", CAPTION)
        before = len(self.made())
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, None
        return time.monotonic() - asked, len(self.made()) - before

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)


def check_whole_run(test, program, lines):
    """The program made 2 x len(lines) starts: every expanded line twice, in order, exactly. Every
    child that ran saw the status line of its own line or of a later one (a child slower than the
    runner's wait may start after the run moved on, never before its line was shown). Children
    Wine lost or refused are reported; more than MOST_LOST of them fail the harness, not the
    program. Returns the starts."""
    starts = program.settled()
    test.assertEqual([s.cmd for s in starts], [line for line in lines for _ in (0, 1)])
    statuses = ["Registering: " + line for line in lines]
    late = 0
    for j, start in enumerate(starts):
        if start.record is None:
            continue
        test.assertEqual(start.record.cmd, start.cmd)
        seen = start.record.status
        if not seen.startswith(DONE[:-1]):
            test.assertIn(seen, statuses[j // 2:], f"start {j + 1} saw a status from before its line")
        late += seen != statuses[j // 2]
    lost = [s for s in starts if s.record is None]
    if late or lost:
        print(f"\n{len(lost)} of {len(starts)} children lost or refused by Wine: {lost}; "
              f"{late} started after their line", file=sys.stderr)
    test.assertLessEqual(len(lost), MOST_LOST, "the stand-in did not run: is the prefix broken?")
    return starts


def copy_report(test, program, window):
    """Ctrl+C over the window, as a user presses it; the clipboard's text, read back by the
    driver. The clipboard is cleared first, so that a text seen is the one the program put."""
    code, _ = program.driver("setclipboard", "(cleared)")
    test.assertEqual(code, 0, "the driver could not set the clipboard")
    xdotool("mousemove", window.centre[0], window.centre[1] + 40)  # keys reach the window under the pointer
    time.sleep(0.2)
    xdotool("key", "ctrl+c")
    until = time.monotonic() + 30
    while time.monotonic() < until:
        code, text = program.driver("clipboard", "x")
        if code == 0 and text != "(cleared)":
            return text
        time.sleep(0.2)
    return None


SUMMARY_ORDER = ("registered", "still running", "failed", "not on this PC", "not started")


def summary_of(outcomes):
    """The status line a run ends with, for these outcomes (one per row, as the report writes
    them: "failed (5)" counts as failed)."""
    counts = {name: 0 for name in SUMMARY_ORDER}
    for outcome in outcomes:
        counts["failed" if outcome.startswith("failed (") else outcome] += 1
    parts = [f"{n} {name}" for name, n in counts.items() if n]
    return "Registering: Done - " + ", ".join(parts) + ". Ctrl+C copies the details."


def check_report(test, status, report, expected):
    """The status and the copied report against `expected`: for each of the 116 rows, (outcome,
    first start, second start, command line). A child a loaded machine started after the
    runner's 3 s wait is honestly "still running" in its column; that row's outcome then is
    "registered" if its other start said 0, else "still running", and the summary follows the
    rows. Returns the number of such late starts."""
    test.assertIsNotNone(report, "Ctrl+C put nothing on the clipboard")
    test.assertTrue(report.endswith("\r\n"))
    lines = report[:-2].split("\r\n")
    test.assertEqual(len(lines), 1 + len(expected))
    late, outcomes = 0, []
    for n, (line, want) in enumerate(zip(lines[1:], expected), start=1):
        outcome, first, second, command = want
        columns = line.split("\t")
        test.assertEqual(len(columns), 5, line)
        test.assertEqual((columns[0], columns[4]), (str(n), command))
        starts = columns[2:4]
        for got, wanted in zip(starts, (first, second)):
            if got != wanted:
                test.assertEqual(got, "still running", f"row {n}: {line}")
                late += 1
        if starts != [first, second]:
            outcome = "registered" if "0" in starts else "still running"
        test.assertEqual(columns[1], outcome, f"row {n}: {line}")
        outcomes.append(outcome)
    test.assertEqual(status, summary_of(outcomes))
    test.assertEqual(lines[0], status[:-len(" Ctrl+C copies the details.")])
    if late:
        print(f"\n{late} starts were still running after the wait: the report says so", file=sys.stderr)
    return late


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True)


def click(point, button=1):
    xdotool("mousemove", point[0], point[1])
    time.sleep(0.2)
    xdotool("click", button)


def screen_pixels(rect):
    """The X screen's pixels in (left, top, right, bottom) as rows of (r, g, b)."""
    left, top, right, bottom = rect
    w, h = right - left, bottom - top
    raw = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{left}+{top}", "-depth", "8",
                          "rgb:-"], check=True, stdout=subprocess.PIPE).stdout
    return [[tuple(raw[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def screenshot(path, rect=None):
    args = ["import", "-window", "root"]
    if rect:
        left, top, right, bottom = rect
        args += ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
    subprocess.run(args + [path], check=True)
