#!/usr/bin/env python3
"""The benchmark table: every figure measured in this run, on this machine.

  bench.py BUILD_DIR      (the x64 test build: the driver, the stand-in regsvr32, start-up marks)

Builds the release as `make dist` builds it (packaging/make_dist.sh: no test hooks, no debug
sections) and measures what ships: the exes' sizes from the zips; the x64 exe, unpacked beside its
manifest, from start to its first painted window against a minimal window built the same way, and
its whole run (with the stand-in regsvr32 that exits at once) against the bare loop of the same 232
starts and against a batch file of the same lines run by Wine's cmd; the benchmark programs, built
the same way. A second table shows where start-up's time goes, from the marks only test builds
make; and the x86 exe as shipped runs under emulation in the x86 root.
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
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvane_e2e as e2e  # noqa: E402

ROUNDS = 3           # whole runs, bare loops and batch runs, alternated
STARTUP_ROUNDS = 11  # start-ups of each program, alternated
# The limits and targets the table checks.
MAX_EXE = {"x64": 256 * 1024, "x86": 320 * 1024}
RUN_TARGET = 1.05      # the whole run against the bare loop
STARTUP_TARGET = 1.25  # start-up against the minimal window
FRAME_TARGET = 1.20    # a classic bar frame against the bare GDI work
# Built in the release's own x64 build folder, with its flags: the yardsticks and the benchmarks.
RELEASE_TARGETS = ("minimal_window", "bare_starts", "progress_bench", "button_bench", "repair_bench")
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


def load():
    """The machine's load averages over 1, 5 and 15 minutes, as uptime prints them."""
    return "load " + ", ".join(f"{x:.2f}" for x in os.getloadavg())


def version():
    with open(os.path.join(ROOT, "VERSION")) as f:
        return f.read().strip()


def release(work):
    """The release zips as `make dist` makes them, built in `work`; each unpacked in a folder of
    its own, as a user would; and the yardsticks and benchmark programs built in the release's x64
    build folder, with its flags. Returns {arch: (zip, exe)} and that build folder."""
    out = os.path.join(work, "dist")
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run([os.path.join(ROOT, "packaging", "make_dist.sh"), out, work], check=True,
                   stdout=subprocess.DEVNULL)
    build = os.path.join(work, "dist-x64")
    subprocess.run(["cmake", "--build", build, "-j", os.environ.get("JOBS", "2"), "--target", *RELEASE_TARGETS],
                   check=True, stdout=subprocess.DEVNULL)
    shipped = {}
    for arch in ("x64", "x86"):
        archive = os.path.join(out, f"corvane-{version()}-{arch}.zip")
        folder = os.path.join(work, f"shipped-{arch}")
        shutil.rmtree(folder, ignore_errors=True)
        with zipfile.ZipFile(archive) as z:
            z.extractall(folder)
        shipped[arch] = (archive, os.path.join(folder, "corvane.exe"))
    return shipped, build


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


def frame_ratio(programs):
    """The classic frame against the bare GDI work, as progress_bench's last line gives it."""
    for line in programs.get("progress", []):
        if line.startswith("progress: classic frame "):
            return float(line.split()[3].rstrip("×"))
    return None


class EndToEnd:
    def __init__(self, build):
        self.build = build
        self.prefix = e2e.Prefix(build, name="wineprefix-bench")
        self.driver_exe = os.path.join(build, "tests", "e2e", "driver.exe")
        self.tmp = tempfile.mkdtemp(prefix="corvane-bench-")

    def wine(self, args, timeout=600):
        return self.prefix.wine(args, quiet=True, extra=QUIET, timeout=timeout)

    def whole_run(self, exe):
        """Seconds from the click on "Repair Now" to the run's summary, and the memory after."""
        program = e2e.Program(self.prefix, QUIET, exe=exe)
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
                fail("the run did not end with its summary")
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

    def bare_loop(self, exe):
        # Wine refuses a start now and then (about one in ten thousand): a loop that made fewer
        # than its 232 is not the one measured, and is made again.
        for attempt in range(3):
            r = self.wine([exe], timeout=900)
            text = r.stdout.decode()
            fields = dict(p.partition("=")[::2] for p in text.strip().split("\t")[1:])
            if r.returncode == 0 and fields.get("starts") == "232":
                break
            print("bench: the bare loop made " + fields.get("starts", "?") + " of its 232 starts; again",
                  file=sys.stderr)
        else:
            fail("the bare loop did not make its 232 starts: " + text)
        return float(fields["seconds"])

    def batch(self, bare_starts):
        """Seconds for cmd to run the 232 lines, and for cmd to run an empty batch file."""
        lines = os.path.join(self.tmp, "lines.bat")
        empty = os.path.join(self.tmp, "empty.bat")
        if not os.path.exists(lines):
            r = self.wine([bare_starts, "--batch", e2e.windows_path(lines)])
            if r.returncode != 0:
                fail("cannot write the batch file")
            with open(empty, "w") as f:
                f.write("@echo off\r\n")
            with open(lines, encoding="latin-1") as f:
                if sum(1 for l in f if l.startswith("regsvr32 ")) != 232:
                    fail("cannot write the batch file: it does not hold 232 lines")
        times = []
        for path in (lines, empty):
            begun = time.monotonic()
            r = self.wine(["cmd", "/c", e2e.windows_path(path)], timeout=900)
            times.append(time.monotonic() - begun)
        return times[0], times[1]

    def test_build(self, corvane):
        """The test build's corvane.exe in a folder of its own beside the manifest it ships with,
        without debug sections like the shipped exe (Wine maps the whole file before the process
        counts as created: 6 MiB of them cost about 15 ms there)."""
        folder = os.path.join(self.tmp, "test-build")
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["x86_64-w64-mingw32-strip", "--strip-debug", "-o", os.path.join(folder, "corvane.exe"), corvane],
                       check=True)
        with open(os.path.join(ROOT, "packaging", "corvane.exe.manifest")) as f:
            manifest = f.read().replace("@VERSION4@", version() + ".0").replace("@ARCH@", "amd64")
        with open(os.path.join(folder, "corvane.exe.manifest"), "w") as f:
            f.write(manifest)
        return os.path.join(folder, "corvane.exe")

    def stripped(self, exe):
        """A copy of `exe` without debug sections, in this run's folder."""
        copy = os.path.join(self.tmp, os.path.basename(exe))
        subprocess.run(["x86_64-w64-mingw32-strip", "--strip-debug", "-o", copy, exe], check=True)
        return copy

    def beside_manifest(self, exe, manifest):
        """A copy of `exe` in a folder of its own beside a copy of the manifest file `manifest`."""
        folder = os.path.join(self.tmp, "beside-manifest")
        os.makedirs(folder, exist_ok=True)
        copy = os.path.join(folder, os.path.basename(exe))
        shutil.copyfile(exe, copy)
        shutil.copyfile(manifest, copy + ".manifest")
        return copy

    def startup(self, exe, caption, marks=None, env=None):
        """Milliseconds to the first painted window; with `marks`, the program's own start-up marks
        (milliseconds on the same clock, from its CreateProcess call) are added to it, a list per mark."""
        trace = os.path.join(self.tmp, "startup-trace.txt")
        if os.path.exists(trace):
            os.remove(trace)
        extra = dict(QUIET, CORVANE_STARTUP_TRACE=e2e.windows_path(trace) if marks is not None else "")
        extra.update(env or {})
        r = self.prefix.wine([self.driver_exe, "startup", e2e.windows_path(exe), caption], quiet=True, extra=extra,
                             timeout=60)
        text = r.stdout.decode()
        if r.returncode != 0:
            fail(f"{exe} did not show a painted window")
        fields = dict(p.partition("=")[::2] for p in text.strip().split("\t")[1:])
        if marks is not None and os.path.exists(trace) and float(fields.get("created_ms", -1)) >= 0:
            created = float(fields["created_ms"])
            marks.setdefault("created", []).append(created)
            with open(trace) as f:
                for line in f:
                    stage, _, micros = line.strip().partition("\t")
                    marks.setdefault(stage, []).append(created + int(micros) / 1000)
        return float(fields["painted_ms"])


def x86_figures(build, exe):
    """The x86 exe's start-ups (ms) and whole run (s), measured in the x86 root; or ([], why not)."""
    win32 = os.path.join(os.path.dirname(build), "win32")
    if not os.path.exists(os.path.join(win32, "tests", "tools", "probe.exe")):
        return [], "the x86 build's stand-in regsvr32 is missing"
    r = subprocess.run([os.path.join(ROOT, "tests", "x86", "run-in-root.sh"), "python3",
                        os.path.join(ROOT, "bench", "bench_x86.py"), win32, exe],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=1800)
    line = r.stdout.decode("utf-8", "replace").strip().splitlines()[-1:] or [""]
    fields = dict(p.partition("=")[::2] for p in line[0].split("\t")[1:])
    if r.returncode != 0 or "run_s" not in fields:
        fail("the x86 measurement failed: " + line[0])
    return [float(t) for t in fields["startup_ms"].split(",")], float(fields["run_s"])


def main():
    build = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv)
    load_at_start = load()

    shipped, release_build = release(os.path.join(os.path.dirname(build), "bench"))
    programs = bench_programs(release_build)

    end = EndToEnd(build)
    corvane = shipped["x64"][1]
    minimal = os.path.join(release_build, "bench", "minimal_window.exe")
    bare_starts = os.path.join(release_build, "bench", "bare_starts.exe")
    test_corvane = end.test_build(os.path.join(build, "app", "corvane.exe"))
    test_minimal = end.stripped(os.path.join(build, "bench", "minimal_window.exe"))
    # The minimal window with the steps the program cannot leave out added one by one, in the
    # program's order; the first is the yardstick itself.
    picture = e2e.windows_path(os.path.join(release_build, "app", "generated", "facebook.gif"))
    with_manifest = end.beside_manifest(minimal, os.path.join(os.path.dirname(corvane), "corvane.exe.manifest"))
    steps = [(minimal, "", "minimal Win32 window, built the same way"),
             (with_manifest, "", "+ beside the shipped manifest"),
             (with_manifest, "comctl32", "+ loads comctl32 and asks its version"),
             (with_manifest, "comctl32,ole", "+ OleInitialize"),
             (with_manifest, "comctl32,ole,picture", "+ loads the link picture (OleLoadPicture)")]

    def step_env(names):
        return {"CORVANE_MINIMAL_STEPS": names, "CORVANE_MINIMAL_PICTURE": picture}

    # Warm the prefix: the first start of anything in it pays for what Wine sets up once.
    for exe, caption in ((minimal, "Minimal window"), (corvane, e2e.CAPTION), (test_minimal, "Minimal window"),
                         (test_corvane, e2e.CAPTION)):
        end.startup(exe, caption)
    for exe, names, _ in steps[1:]:
        end.startup(exe, "Minimal window", env=step_env(names))

    runs, bares, batches, empties, memory = [], [], [], [], None
    for _ in range(ROUNDS):
        took, memory = end.whole_run(corvane)
        runs.append(took)
        bares.append(end.bare_loop(bare_starts))
        full, empty = end.batch(bare_starts)
        batches.append(full)
        empties.append(empty)
    # All interleaved, so that drift in the machine's load hits each alike.
    ups, test_ups, test_minimals, marks, minimal_marks = [], [], [], {}, {}
    step_ups = [[] for _ in steps]
    for _ in range(STARTUP_ROUNDS):
        ups.append(end.startup(corvane, e2e.CAPTION))
        for (exe, names, _), times in zip(steps, step_ups):
            times.append(end.startup(exe, "Minimal window", env=step_env(names)))
        test_ups.append(end.startup(test_corvane, e2e.CAPTION, marks))
        test_minimals.append(end.startup(test_minimal, "Minimal window", minimal_marks))
    minimals = step_ups[0]

    run, bare = min(runs), min(bares)
    batch_net = min(b - e for b, e in zip(batches, empties))
    up, mini = statistics.median(ups), statistics.median(minimals)
    run_ratio, up_ratio = run / bare, up / mini
    frame = frame_ratio(programs)

    def verdict(ok, miss):
        return "met" if ok else "MISSED " + miss

    rows = []
    add = rows.append
    add(("Sizes as shipped (the exe in each zip of make dist)", "", ""))
    sizes = {}
    for arch in ("x64", "x86"):
        archive, exe = shipped[arch]
        n = sizes[arch] = os.path.getsize(exe)
        add((f"  corvane.exe {arch}", f"{n / 1024:8.1f} KiB",
             f"{n} bytes; limit {MAX_EXE[arch]}: " + verdict(n <= MAX_EXE[arch], f"by {n - MAX_EXE[arch]} bytes") +
             f"; zip {os.path.getsize(archive)} bytes"))
    n = os.path.getsize(minimal)
    add(("  minimal_window.exe x64, built the same way", f"{n / 1024:8.1f} KiB", f"{n} bytes"))
    add(("Whole run of the shipped x64 exe (stand-in exits at once, best of %d)" % ROUNDS, "", ""))
    add(("  click to the summary", f"{run:8.3f} s", "all: " + ", ".join(f"{t:.2f}" for t in runs)))
    add(("  bare loop of the same 232 starts and waits", f"{bare:8.3f} s", "all: " + ", ".join(f"{t:.2f}" for t in bares)))
    add(("  batch file of the 232 lines under cmd", f"{min(batches):8.3f} s",
         "all: " + ", ".join(f"{t:.2f}" for t in batches)))
    add(("  the same, less cmd's start on an empty file", f"{batch_net:8.3f} s",
         "empty file: " + ", ".join(f"{t:.2f}" for t in empties)))
    add(("  run / bare loop", f"{run_ratio:8.2f}×",
         f"target ≤ {RUN_TARGET:.2f}×: " + verdict(run_ratio <= RUN_TARGET, f"by {run_ratio - RUN_TARGET:.2f}×")))
    add(("  run / batch file", f"{run / batch_net:8.2f}×",
         "target < 1.00×: " + verdict(run < batch_net, f"by {run / batch_net - 1:.2f}×")))
    add(("  per start: run / bare / batch", f"{run / 232 * 1000:6.1f} ms",
         f"{bare / 232 * 1000:.1f} ms / {batch_net / 232 * 1000:.1f} ms"))
    add(("Start-up to the first painted window (median of %d, interleaved)" % STARTUP_ROUNDS, "", ""))
    add(("  shipped x64 corvane.exe, unpacked beside its manifest", f"{up:8.1f} ms",
         "all: " + ", ".join(f"{t:.0f}" for t in ups)))
    before = None
    for (_, _, label), times in zip(steps, step_ups):
        at = statistics.median(times)
        note = "all: " + ", ".join(f"{t:.0f}" for t in times)
        if before is not None:
            note = f"{at - before:+.1f} ms on the line above; " + note
        add(("  " + label, f"{at:8.1f} ms", note))
        before = at
    add(("  start-up / minimal window", f"{up_ratio:8.2f}×",
         f"target ≤ {STARTUP_TARGET:.2f}×: " + verdict(up_ratio <= STARTUP_TARGET, f"by {up_ratio - STARTUP_TARGET:.2f}×")))
    floor = statistics.median(step_ups[-1])
    add(("  the minimal window with all those steps / minimal window", f"{floor / mini:8.2f}×",
         f"what the program does beyond them: {up - floor:+.1f} ms, {up / floor:.2f}× of them"))
    add(("Progress bar frame (progress_bench, built the same way)", "", ""))
    if frame is None:
        add(("  classic frame / bare GDI work", "not read", "progress_bench printed no ratio"))
    else:
        add(("  classic frame / bare GDI work", f"{frame:8.2f}×",
             f"target ≤ {FRAME_TARGET:.2f}×: " + verdict(frame <= FRAME_TARGET, f"by {frame - FRAME_TARGET:.2f}×")))
    add(("x86 exe as shipped, under emulation (32-bit code under qemu: not comparable)", "", ""))
    x86_startups, x86_run = x86_figures(build, shipped["x86"][1])
    if x86_startups:
        add(("  start-up to the first painted window, median", f"{statistics.median(x86_startups):8.1f} ms",
             "all: " + ", ".join(f"{t:.0f}" for t in x86_startups)))
        add(("  click to the summary, both WOW64 views", f"{x86_run:8.3f} s", "one run"))
    else:
        add(("  not measured", "", x86_run))
    fields, linux = memory
    add(("Memory after a run of the shipped x64 exe (the last round's process)", "", ""))
    add(("  working set, GetProcessMemoryInfo", f"{fields.get('workingset', 0) / 1048576:8.1f} MiB",
         f"peak {fields.get('peakworkingset', 0) / 1048576:.1f} MiB; private bytes read {fields.get('private', 0)} under Wine"))
    if linux:
        add(("  Wine process, /proc VmRSS / RssAnon", f"{linux.get('VmRSS', 0) / 1048576:8.1f} MiB",
             f"anonymous {linux.get('RssAnon', 0) / 1048576:.1f} MiB"))

    # Where the time goes: only test builds mark their start-up stages.
    where = []
    test_up, test_mini = statistics.median(test_ups), statistics.median(test_minimals)
    where.append(("Start-up of the test builds (test hooks, -O2, debug sections stripped), median of %d"
                  % STARTUP_ROUNDS, "", ""))
    where.append(("  corvane.exe beside the manifest", f"{test_up:8.1f} ms", "all: " + ", ".join(f"{t:.0f}" for t in test_ups)))
    where.append(("  minimal window", f"{test_mini:8.1f} ms", "all: " + ", ".join(f"{t:.0f}" for t in test_minimals)))
    where.append(("  corvane.exe / minimal window", f"{test_up / test_mini:8.2f}×", "not what ships: see the table above"))
    where.append(("  corvane.exe's stages (medians, on the driver's clock)", "", ""))
    before = 0.0
    for stage, what in STAGES:
        if stage not in marks:
            where.append(("    " + stage, "not marked", "the test build marked nothing"))
            continue
        at = statistics.median(marks[stage])
        beside = (f" (minimal window: at {statistics.median(minimal_marks[stage]):.1f} ms)"
                  if stage in minimal_marks else "")
        where.append((f"    {stage}", f"{at - before:8.1f} ms", f"at {at:.1f} ms: {what}{beside}"))
        before = at
    if marks:
        where.append(("    painted", f"{test_up - before:8.1f} ms", f"at {test_up:.1f} ms: until the driver sees it painted"))

    wine = subprocess.run([e2e.WINE, "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()

    def table(rows):
        for label, value, note in rows:
            print(f"{label:<62}{value:>12}   {note}" if value or note else label)

    print()
    print(f"Corvane benchmarks, {time.strftime('%Y-%m-%d %H:%M')}, {platform.node()}, {os.cpu_count()} cores, {wine}")
    print(f"{load_at_start} at the start, {load()} at the end")
    print("=" * 126)
    print("What ships: the release exes as make dist builds them, and the programs below built the same way")
    for name, lines in programs.items():
        print(f"[{name}_bench]")
        for line in lines:
            print("  " + line)
    print("[end to end]")
    table(rows)
    print("-" * 126)
    print("Where the time goes (test builds: only they mark their start-up stages)")
    table(where)
    print("=" * 126)
    summary = f"bench: as shipped, run {run_ratio:.2f}× of bare starts, start-up {up_ratio:.2f}× of minimal window"
    if frame is not None:
        summary += f", classic frame {frame:.2f}× of bare GDI work"
    print(summary + ", exe " + " / ".join(f"{sizes[a]} bytes {a}" for a in ("x64", "x86")))


if __name__ == "__main__":
    main()
