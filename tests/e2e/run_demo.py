#!/usr/bin/env python3
"""`make run`: starts corvane.exe under Wine in the project's own prefix.

  run_demo.py BUILD_DIR OUT_DIR

With a display the window opens for the user. Without one, a headless demo under Xvfb presses
"Repair Now" with a real click, waits for the run's summary and saves screenshots of the window
before, during and after the run into OUT_DIR, and one more after the window is told it is now on
a monitor at 144 dpi.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvane_e2e as e2e  # noqa: E402


def main():
    build, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    prefix_path = os.path.join(build, "wineprefix-run")
    exe = os.path.join(build, "app", "corvane.exe")
    if os.environ.get("DISPLAY") and not os.environ.get("CORVANE_DEMO"):
        # A desktop with a window manager: the prefix leaves the window to it.
        subprocess.run([os.path.join(e2e.ROOT, "tests", "wine-run.sh"), prefix_path, exe],
                       env=dict(os.environ, CORVANE_WINE_STYLE="desktop"))
        return 0
    if not os.environ.get("DISPLAY"):
        os.environ["CORVANE_DEMO"] = "1"
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv)

    # The demo registers nothing real: a stand-in regsvr32 in the demo's own prefix takes the lines,
    # and answers as Wine's own would in a fresh prefix: 0 for the four files Wine has in the
    # native tree, 3 (could not load) for the rest.
    prefix = e2e.Prefix(build, name="wineprefix-demo")
    native = r"Program Files\Common Files\System"
    present = [r"ado\msado15.dll", r"Ole DB\msdaps.dll", r"Ole DB\msdasql.dll", r"Ole DB\oledb32.dll"]
    program = e2e.Program(prefix, {"CORVANE_PROBE_EXITS": ";".join(f"{native}\\{f}=0" for f in present),
                                   "CORVANE_PROBE_EXIT": "3"})
    try:
        snap = program.wait_window()
        os.makedirs(out, exist_ok=True)
        shots = []

        def shoot(name, snapshot):
            path = os.path.join(out, name)
            e2e.screenshot(path, snapshot.window.window)
            shots.append(path)

        time.sleep(0.5)
        shoot("1-before.png", snap)
        begun = time.monotonic()
        e2e.click(snap.find(text="Repair Now").centre)
        program.wait_made(116)  # half way
        # The window has not moved: a new snapshot would ask the list box for its 116 items, each
        # answered only at the run's next message step, and come back after the run.
        shoot("2-during.png", snap)
        done = program.wait_status(e2e.DONE, timeout=300)
        if not done:
            print("the run did not end with its summary", file=sys.stderr)
            return 1
        took = time.monotonic() - begun
        time.sleep(0.5)
        shoot("3-after.png", done)
        # Moved to a monitor at 150 %: Windows tells the window with WM_DPICHANGED, which Wine
        # never sends, so the driver does; everything is laid out again from twips, text larger.
        code, _ = program.driver("dpichanged", e2e.CAPTION, "144")
        if code != 0:
            print("the window did not take the new density", file=sys.stderr)
            return 1
        time.sleep(0.5)
        shoot("4-dpi144.png", program.snapshot())
        print(f"run: 232 starts in {took:.1f} s")
        for path in shots:
            print("screenshot:", path)
        program.close()
    finally:
        program.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
