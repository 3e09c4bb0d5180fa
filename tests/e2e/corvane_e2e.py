"""Drives the real corvane.exe under Wine and Xvfb as a user would: real clicks and keys through
xdotool, texts read from outside by the driver program, pixels from the X screen, and every
start of the stand-in regsvr32 read from its log."""
import os
import shutil
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WINE = "/usr/lib/wine/wine64"
CAPTION = "Corvane & MS Jet - By Hollisk"


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


class Prefix:
    """A Wine prefix of its own for the end-to-end runs, with the stand-in regsvr32 in system32
    and a logging script as the browser."""

    def __init__(self, build, name="wineprefix-e2e", style=""):
        self.build = build
        self.path = os.path.join(build, name)
        subprocess.run([os.path.join(ROOT, "tests", "wine-prefix.sh"), self.path, style], check=True)
        self.system32 = os.path.join(self.path, "drive_c", "windows", "system32")
        self.browser_log = os.path.join(self.path, "browser.log")
        browser = os.path.join(self.path, "browser.sh")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % self.browser_log)
        os.chmod(browser, 0o755)
        self.wine(["reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers", "/t", "REG_SZ",
                   "/d", browser, "/f"], quiet=True)
        self.install_regsvr32()

    def env(self, extra=None):
        env = dict(os.environ)
        env.update(WINEPREFIX=self.path, WINEDEBUG=env.get("CORVANE_E2E_WINEDEBUG", "-all"),
                   WINEDLLOVERRIDES="mscoree,mshtml=;regsvr32.exe=n", HOME=env.get("HOME", "/root"))
        env.update(extra or {})
        return env

    def wine(self, args, quiet=False, extra=None, timeout=60):
        return subprocess.run([WINE] + args, env=self.env(extra), timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL if quiet else None)

    def install_regsvr32(self):
        shutil.copyfile(os.path.join(self.build, "tests", "tools", "probe.exe"),
                        os.path.join(self.system32, "regsvr32.exe"))

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


class Program:
    """corvane.exe started under Wine, with the stand-in's log and switches in its environment."""

    def __init__(self, prefix, extra_env=None, exe=None):
        self.prefix = prefix
        self.tmp = tempfile.mkdtemp(prefix="corvane-e2e-")
        self.log = os.path.join(self.tmp, "regsvr32.log")
        env = {"CORVANE_PROBE_LOG": windows_path(self.log), "CORVANE_PROBE_WINDOW": CAPTION}
        env.update(extra_env or {})
        self.exe = exe or os.path.join(prefix.build, "app", "corvane.exe")
        self.started = time.monotonic()
        self.process = subprocess.Popen([WINE, self.exe], env=prefix.env(env),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def driver(self, *args, timeout=20):
        exe = os.path.join(self.prefix.build, "tests", "e2e", "driver.exe")
        r = self.prefix.wine([exe] + list(args), quiet=True, timeout=timeout)
        return r.returncode, r.stdout.decode("utf-8", "replace")

    def snapshot(self):
        code, out = self.driver("dump", CAPTION)
        return Snapshot(out) if code == 0 else None

    def wait_window(self, timeout=30):
        """Waits until the window is shown with its button, then returns the snapshot."""
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            snap = self.snapshot()
            if snap and snap.window and snap.window.visible and snap.find(text="Repair Now"):
                return snap
            if self.process.poll() is not None:
                raise AssertionError("corvane.exe ended before its window showed")
            time.sleep(0.2)
        raise AssertionError("the window did not appear")

    def wait_status(self, text, timeout=60):
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            snap = self.snapshot()
            if snap and snap.status() == text:
                return snap
            time.sleep(0.2)
        return None

    def starts(self):
        """Every start the stand-in logged: (command line, status field, tick)."""
        records = []
        if not os.path.exists(self.log):
            return records
        with open(self.log, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.rstrip("\n")
                if not line.startswith("start\t"):
                    continue
                cmd = line.split("\tcmd=", 1)[1] if "\tcmd=" in line else ""
                head = line.split("\tcmd=", 1)[0]
                fields = dict(p.partition("=")[::2] for p in head.split("\t")[1:] if "=" in p)
                records.append((cmd, fields.get("status"), fields))
        return records

    def dones(self):
        if not os.path.exists(self.log):
            return 0
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return sum(1 for line in f if line.startswith("done"))

    def wait_starts(self, count, timeout=60):
        until = time.monotonic() + timeout
        while time.monotonic() < until:
            if len(self.starts()) >= count:
                return True
            time.sleep(0.1)
        return False

    def close(self, timeout=10):
        """Asks the window to close, as its close box does; returns the seconds the process took
        to end."""
        asked = time.monotonic()
        self.driver("close", CAPTION)
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        return time.monotonic() - asked

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)


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
