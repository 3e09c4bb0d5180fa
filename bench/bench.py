#!/usr/bin/env python3
"""The benchmark table: every figure measured in this run, on this machine.

  bench.py BUILD_DIR

Runs each build/bench/*_bench.exe under Wine and keeps what it prints, then measures the real
program end to end in a prefix of its own (with the stand-in regsvr32 that exits at once): the
whole run against the bare loop of the same 232 starts and against a batch file of the same lines
run by Wine's cmd, start-up to the first painted window against a minimal window (with where
corvane.exe's start-up time goes), sizes and memory.
"""
import glob
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvane_e2e as e2e  # noqa: E402

ROUNDS = 3           # whole runs, bare loops and batch runs, alternated
STARTUP_ROUNDS = 11  # start-ups of each program, alternated
# The program's start-up marks, in order, with what lies between the one before and each. The
# marks count from the process's creation; the driver's clock from its CreateProcess call.
STAGES = (("created", "CreateProcess until Wine counts the process as created"),
          ("entry", "to wWinMain: Wine's loader, imports, C runtime"),
          ("theme", "visual-style start-up (loads comctl32 to ask its version)"),
          ("ole", "OleInitialize"),
          ("window", "the form, its font, icons, link picture and controls"),
          ("shown", "load event, bar set-up, showing and painting the window"))
QUIET = {"CORVANE_PROBE_LOG": "", "CORVANE_PROBE_WINDOW": "", "WINEDEBUG": "-all"}  # the stand-in exits at once


def fail(message):
    print(f"bench: {message}", file=sys.stderr)
    sys.exit(1)


def bench_programs(build):
    """Each *_bench.exe under Wine, in the build's own prefix: its printed lines."""
    prefix = os.path.join(build, "wineprefix")
    env = dict(os.environ, CORVANE_WINE_OVERRIDES="regsvr32.exe=n")
    out = {}
    for exe in sorted(glob.glob(os.path.join(build, "bench", "*_bench.exe"))):
        name = os.path.basename(exe)[:-len("_bench.exe")]
        r = subprocess.run([os.path.join(ROOT, "tests", "wine-run.sh"), prefix, exe], env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=1800)
        lines = [l.rstrip() for l in r.stdout.decode("utf-8", "replace").splitlines() if l.strip()]
        if r.returncode != 0:
            fail(f"{name}_bench failed ({r.returncode}): " + " / ".join(lines))
        out[name] = lines
    return out


class EndToEnd:
    def __init__(self, build):
        self.build = build
        self.prefix = e2e.Prefix(build, name="wineprefix-bench")
        self.driver_exe = os.path.join(build, "tests", "e2e", "driver.exe")
        self.tmp = tempfile.mkdtemp(prefix="corvane-bench-")

    def wine(self, args, timeout=600):
        return self.prefix.wine(args, quiet=True, extra=QUIET, timeout=timeout)

    def whole_run(self):
        """Seconds from the click on "Repair Now" to "Registering: Done", and the memory after."""
        program = e2e.Program(self.prefix, QUIET)
        try:
            snap = program.wait_window()
            button = snap.find(text="Repair Now").centre
            waiter = subprocess.Popen([e2e.WINE, self.driver_exe, "waitstatus", e2e.CAPTION,
                                       e2e.DONE, "600000"], env=self.prefix.env(QUIET),
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            if waiter.stdout.readline().strip() != b"ready":
                fail("the driver did not start")
            e2e.xdotool("mousemove", button[0], button[1])
            time.sleep(0.3)
            begun = time.monotonic()
            e2e.xdotool("click", 1)
            waiter.wait(timeout=900)
            took = time.monotonic() - begun
            if waiter.returncode != 0:
                fail("the run did not reach Registering: Done")
            time.sleep(0.5)
            memory = self.memory(program)
            if program.close()[0] is None:
                fail("the program did not end when closed")
            return took, memory
        finally:
            program.kill()

    def memory(self, program):
        """The window's process as Windows counts it (GetProcessMemoryInfo through the driver)
        and as Linux counts the Wine process that hosts it (/proc)."""
        code, out = program.driver("resources", e2e.CAPTION)
        fields = {}
        for part in out.strip().split("\t")[1:]:
            key, _, value = part.partition("=")
            fields[key] = int(value)
        linux = {}
        try:
            with open(f"/proc/{program.process.pid}/status") as f:
                for line in f:
                    key, _, value = line.partition(":")
                    if key in ("VmRSS", "RssAnon"):
                        linux[key] = int(value.split()[0]) * 1024
        except OSError:
            pass
        return fields, linux

    def bare_loop(self):
        r = self.wine([os.path.join(self.build, "bench", "bare_starts.exe")], timeout=900)
        text = r.stdout.decode()
        fields = dict(p.partition("=")[::2] for p in text.strip().split("\t")[1:])
        if r.returncode != 0 or fields.get("starts") != "232":
            fail("the bare loop did not make its 232 starts: " + text)
        return float(fields["seconds"])

    def batch(self):
        """Seconds for cmd to run the 232 lines, and for cmd to run an empty batch file."""
        lines = os.path.join(self.tmp, "lines.bat")
        empty = os.path.join(self.tmp, "empty.bat")
        if not os.path.exists(lines):
            r = self.wine([os.path.join(self.build, "bench", "bare_starts.exe"), "--batch", e2e.windows_path(lines)])
            if r.returncode != 0:
                fail("cannot write the batch file")
            with open(empty, "w") as f:
                f.write("@echo off\r\n")
            with open(lines, encoding="latin-1") as f:
                if sum(1 for l in f if l.startswith("regsvr32 ")) != 232:
                    fail("the batch file does not hold 232 lines")
        times = []
        for path in (lines, empty):
            begun = time.monotonic()
            r = self.wine(["cmd", "/c", e2e.windows_path(path)], timeout=900)
            times.append(time.monotonic() - begun)
        return times[0], times[1]

    def shipped(self, corvane):
        """corvane.exe in a folder of its own beside the manifest it ships with, and like the
        shipped exe without debug sections (Wine maps the whole file before the process counts as
        created: 6 MiB of them cost about 15 ms there)."""
        folder = os.path.join(self.tmp, "shipped")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["x86_64-w64-mingw32-strip", "--strip-debug", "-o", os.path.join(folder, "corvane.exe"), corvane],
                       check=True)
        with open(os.path.join(ROOT, "packaging", "corvane.exe.manifest")) as f:
            manifest = f.read().replace("@VERSION4@", "1.0.0.0").replace("@ARCH@", "amd64")
        with open(os.path.join(folder, "corvane.exe.manifest"), "w") as f:
            f.write(manifest)
        return os.path.join(folder, "corvane.exe")

    def stripped(self, exe):
        """A copy of `exe` without debug sections, in this run's folder."""
        copy = os.path.join(self.tmp, os.path.basename(exe))
        subprocess.run(["x86_64-w64-mingw32-strip", "--strip-debug", "-o", copy, exe], check=True)
        return copy

    def startup(self, exe, caption, marks=None):
        """Milliseconds to the first painted window; with `marks`, the program's own start-up marks
        (milliseconds on the same clock, from its CreateProcess call) are added to it, a list per mark."""
        trace = os.path.join(self.tmp, "startup-trace.txt")
        if os.path.exists(trace):
            os.remove(trace)
        extra = dict(QUIET, CORVANE_STARTUP_TRACE=e2e.windows_path(trace) if marks is not None else "")
        r = self.prefix.wine([self.driver_exe, "startup", e2e.windows_path(exe), caption], quiet=True, extra=extra,
                             timeout=60)
        text = r.stdout.decode()
        if r.returncode != 0:
            fail(f"{os.path.basename(exe)} did not show a painted window")
        fields = dict(p.partition("=")[::2] for p in text.strip().split("\t")[1:])
        if marks is not None and os.path.exists(trace) and float(fields.get("created_ms", -1)) >= 0:
            created = float(fields["created_ms"])
            marks.setdefault("created", []).append(created)
            with open(trace) as f:
                for line in f:
                    stage, _, micros = line.strip().partition("\t")
                    marks.setdefault(stage, []).append(created + int(micros) / 1000)
        return float(fields["painted_ms"])


def x86_figures(build):
    """The x86 exe's start-ups (ms) and whole run (s), measured in the x86 root; or ([], why not)."""
    win32 = os.path.join(os.path.dirname(build), "win32")
    if not os.path.exists(os.path.join(win32, "app", "corvane.exe")):
        return [], "the x86 build is missing"
    r = subprocess.run([os.path.join(ROOT, "tests", "x86", "run-in-root.sh"), "python3",
                        os.path.join(ROOT, "bench", "bench_x86.py"), win32],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=1800)
    line = r.stdout.decode("utf-8", "replace").strip().splitlines()[-1:] or [""]
    fields = dict(p.partition("=")[::2] for p in line[0].split("\t")[1:])
    if r.returncode != 0 or "run_s" not in fields:
        fail("the x86 measurement failed: " + line[0])
    return [float(t) for t in fields["startup_ms"].split(",")], float(fields["run_s"])


def size(path):
    return os.path.getsize(path) if os.path.exists(path) else None


def stripped_size(path, tool):
    """The file's size without its debug sections (the build keeps them for the tests)."""
    if not os.path.exists(path) or not shutil.which(tool):
        return None
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "stripped.exe")
        if subprocess.run([tool, "--strip-debug", "-o", copy, path]).returncode != 0:
            return None
        return os.path.getsize(copy)


def main():
    build = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv)

    programs = bench_programs(build)

    end = EndToEnd(build)
    corvane = os.path.join(build, "app", "corvane.exe")
    minimal = os.path.join(build, "bench", "minimal_window.exe")
    shipped = end.shipped(corvane)
    minimal_stripped = end.stripped(minimal)
    # Warm the prefix: the first start of anything in it pays for what Wine sets up once.
    end.startup(minimal_stripped, "Minimal window")
    end.startup(shipped, e2e.CAPTION)

    runs, bares, batches, empties, memory = [], [], [], [], None
    for _ in range(ROUNDS):
        took, memory = end.whole_run()
        runs.append(took)
        bares.append(end.bare_loop())
        full, empty = end.batch()
        batches.append(full)
        empties.append(empty)
    ups, minimals, marks, minimal_marks = [], [], {}, {}
    for _ in range(STARTUP_ROUNDS):
        ups.append(end.startup(shipped, e2e.CAPTION, marks))
        minimals.append(end.startup(minimal_stripped, "Minimal window", minimal_marks))

    run, bare = min(runs), min(bares)
    batch_net = min(b - e for b, e in zip(batches, empties))
    up, mini = statistics.median(ups), statistics.median(minimals)
    run_ratio, up_ratio = run / bare, up / mini

    def verdict(ok, miss):
        return "met" if ok else "MISSED " + miss

    rows = []
    add = rows.append
    add(("Whole run (real exe, stand-in exits at once, best of %d)" % ROUNDS, "", ""))
    add(("  click to \"Registering: Done\"", f"{run:8.3f} s", "all: " + ", ".join(f"{t:.2f}" for t in runs)))
    add(("  bare loop of the same 232 starts and waits", f"{bare:8.3f} s", "all: " + ", ".join(f"{t:.2f}" for t in bares)))
    add(("  batch file of the 232 lines under cmd", f"{min(batches):8.3f} s",
         "all: " + ", ".join(f"{t:.2f}" for t in batches)))
    add(("  the same, less cmd's start on an empty file", f"{batch_net:8.3f} s",
         "empty file: " + ", ".join(f"{t:.2f}" for t in empties)))
    add(("  run / bare loop", f"{run_ratio:8.2f}×",
         "target ≤ 1.10×: " + verdict(run_ratio <= 1.10, f"by {run_ratio - 1.10:.2f}×")))
    add(("  run / batch file", f"{run / batch_net:8.2f}×",
         "target < 1.00×: " + verdict(run < batch_net, f"by {run / batch_net - 1:.2f}×")))
    add(("  per start: run / bare / batch", f"{run / 232 * 1000:6.1f} ms",
         f"{bare / 232 * 1000:.1f} ms / {batch_net / 232 * 1000:.1f} ms"))
    add(("Start-up to the first painted window (median of %d)" % STARTUP_ROUNDS, "", ""))
    add(("  corvane.exe beside its manifest, no debug sections", f"{up:8.1f} ms", "all: " + ", ".join(f"{t:.0f}" for t in ups)))
    add(("  minimal Win32 window, no debug sections", f"{mini:8.1f} ms", "all: " + ", ".join(f"{t:.0f}" for t in minimals)))
    add(("  start-up / minimal window", f"{up_ratio:8.2f}×",
         "target ≤ 1.20×: " + verdict(up_ratio <= 1.20, f"by {up_ratio - 1.20:.2f}×")))
    add(("  where corvane.exe's time goes (medians, on the driver's clock)", "", ""))
    before = 0.0
    for stage, what in STAGES:
        if stage not in marks:
            add(("    " + stage, "not marked", "a build without test hooks marks nothing"))
            continue
        at = statistics.median(marks[stage])
        beside = (f" (minimal window: at {statistics.median(minimal_marks[stage]):.1f} ms)"
                  if stage in minimal_marks else "")
        add((f"    {stage}", f"{at - before:8.1f} ms", f"at {at:.1f} ms: {what}{beside}"))
        before = at
    if marks:
        add(("    painted", f"{up - before:8.1f} ms", f"at {up:.1f} ms: until the driver sees it painted"))
    add(("x86 exe under emulation (32-bit code under qemu: not comparable)", "", ""))
    x86_startups, x86_run = x86_figures(build)
    if x86_startups:
        add(("  start-up to the first painted window, median", f"{statistics.median(x86_startups):8.1f} ms",
             "all: " + ", ".join(f"{t:.0f}" for t in x86_startups)))
        add(("  click to \"Registering: Done\", both WOW64 views", f"{x86_run:8.3f} s", "one run"))
    else:
        add(("  not measured", "", x86_run))
    add(("Sizes", "", ""))
    x86 = os.path.join(os.path.dirname(build), "win32", "app", "corvane.exe")
    for label, path, tool in (("corvane.exe x64", corvane, "x86_64-w64-mingw32-strip"),
                              ("corvane.exe x86", x86, "i686-w64-mingw32-strip"),
                              ("minimal_window.exe x64", minimal, "x86_64-w64-mingw32-strip")):
        n, bare_size = size(path), stripped_size(path, tool)
        if n:
            add(("  " + label, f"{n / 1024:8.1f} KiB",
                 f"{n} bytes; without debug sections {bare_size / 1024:.1f} KiB" if bare_size else f"{n} bytes"))
        else:
            add(("  " + label, "not built", "make test-x86 builds it"))
    # What a user downloads: the stripped MinSizeRel exes `make dist` puts in the zips.
    for arch in ("x64", "x86"):
        shipped = os.path.join(os.path.dirname(build), f"dist-{arch}", "stage", "corvane.exe")
        n = size(shipped)
        add((f"  corvane.exe {arch} as shipped", f"{n / 1024:8.1f} KiB" if n else "not built",
             f"{n} bytes; limit 512 KiB" if n else "make dist builds it"))
    fields, linux = memory
    add(("Memory after a run (the last round's process)", "", ""))
    add(("  working set, GetProcessMemoryInfo", f"{fields.get('workingset', 0) / 1048576:8.1f} MiB",
         f"peak {fields.get('peakworkingset', 0) / 1048576:.1f} MiB; private bytes read {fields.get('private', 0)} under Wine"))
    if linux:
        add(("  Wine process, /proc VmRSS / RssAnon", f"{linux.get('VmRSS', 0) / 1048576:8.1f} MiB",
             f"anonymous {linux.get('RssAnon', 0) / 1048576:.1f} MiB"))

    wine = subprocess.run([e2e.WINE, "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()
    print()
    print(f"Corvane benchmarks, {time.strftime('%Y-%m-%d %H:%M')}, {platform.node()}, {os.cpu_count()} cores, "
          f"load {os.getloadavg()[0]:.2f}, {wine}")
    print("=" * 118)
    for name, lines in programs.items():
        print(f"[{name}_bench]")
        for line in lines:
            print("  " + line)
    print("[end to end]")
    for label, value, note in rows:
        print(f"{label:<52}{value:>14}   {note}" if value or note else label)
    print("=" * 118)
    print(f"bench: run {run_ratio:.2f}× of bare starts, start-up {up_ratio:.2f}× of minimal window")


if __name__ == "__main__":
    main()
