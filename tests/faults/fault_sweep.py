#!/usr/bin/env python3
"""The real corvane.exe under every fault it can meet, under Wine and Xvfb.

  fault_sweep.py BUILD_DIR [unittest args]

Every function the program binds by name is switched off in a run of its own (the test build
reads CORVANE_UNAVAILABLE); the program must start, reach "Registering: Done" and end cleanly
when closed. The program's first bind of each name is read back from CORVANE_BIND_LOG, so a
switch that never reached its function shows up instead of passing unseen.
"""
import os
import random
import re
import shutil
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvane_e2e as e2e  # noqa: E402

BUILD = None
DONE = "Registering: Done"
COMMON = r"C:\Program Files\Common Files"
COMMON_X86 = r"C:\Program Files (x86)\Common Files"

# Names the program binds but does not ask for in these runs, and why. Each is switched off all
# the same; the theme and progress tests reach them in-process.
NOT_ASKED = {
    "GetThemeInt": "asked only by the bar's visual-style look, which the window does not use",
    "TransparentBlt": "asked only for a button picture, and \"Repair Now\" has none",
    "RemoveWindowSubclass": "bound but called nowhere: subclasses live as long as their windows",
}


def bound_names():
    """Every function the program's sources bind by name: (name, library)."""
    pattern = re.compile(r'ByName<[^;{]*?>\s*(\w+)\s*\{\s*L"([^"]+)"\s*,\s*"(\w+)"\s*\}', re.S)
    found = {}
    for folder in ("platform", "app", "theme", "toolkit", "controls"):
        for base, _, files in os.walk(os.path.join(ROOT, folder)):
            for name in files:
                if name.endswith((".h", ".cpp")):
                    with open(os.path.join(base, name), encoding="utf-8") as f:
                        for _, library, function in pattern.findall(f.read()):
                            found[function] = library
    return found


def read_binds(path):
    binds = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                name, _, outcome = line.rstrip("\n").partition("\t")
                binds[name] = outcome
    return binds


class Sweep(unittest.TestCase):
    prefix = None
    exe = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = e2e.Prefix(BUILD, name="wineprefix-faults")
        # A copy of the program with a manifest beside it, as it ships, and the common controls'
        # version named as 6: Wine's library answers 5.81, and without 6 the visual-style paths
        # (and the functions they bind) are never reached.
        folder = os.path.join(BUILD, "faults-exe")
        os.makedirs(folder, exist_ok=True)
        cls.exe = os.path.join(folder, "corvane.exe")
        shutil.copyfile(os.path.join(BUILD, "app", "corvane.exe"), cls.exe)
        with open(os.path.join(ROOT, "packaging", "corvane.exe.manifest")) as f:
            manifest = f.read().replace("@VERSION4@", "1.0.0.0").replace("@ARCH@", "amd64")
        with open(cls.exe + ".manifest", "w") as f:
            f.write(manifest)

    def setUp(self):
        self.prefix.install_regsvr32()

    def launch(self, env=None, stand_in=True):
        """The themed copy started with env; its first binds land in program.binds."""
        if not stand_in:
            self.prefix.remove_regsvr32()
            self.addCleanup(self.prefix.install_regsvr32)
        binds = os.path.join(BUILD, "faults-exe", "binds-%d-%d.log" % (os.getpid(), time.monotonic_ns()))
        self.addCleanup(lambda: os.path.exists(binds) and os.remove(binds))
        full = {"CORVANE_COMCTL_MAJOR": "6", "CORVANE_BIND_LOG": e2e.windows_path(binds)}
        full.update(env or {})
        program = e2e.Program(self.prefix, full, exe=self.exe)
        program.binds = binds
        self.addCleanup(program.kill)
        return program

    def run_to_done(self, program, timeout=60):
        """Shows the window, clicks "Repair Now", waits for the end; returns the last snapshot."""
        snap = program.wait_window()
        self.assertEqual(snap.status(), "Registering: ")
        e2e.click(snap.find(text="Repair Now").centre)
        done = program.wait_status(DONE, timeout=timeout)
        self.assertIsNotNone(done, "the run did not reach " + DONE)
        self.assertIsNone(program.process.poll(), "the program ended by itself")
        return done

    def close_cleanly(self, program):
        took = program.close()
        self.assertIsNotNone(took, "the program did not end when closed")
        self.assertLess(took, 1.0)
        # The close ends the process with code 0; a crash ends it with another.
        self.assertEqual(program.process.returncode, 0)


class EachFunction(Sweep):
    def launch_without(self, unavailable):
        # Children would only slow this down: regsvr32 is absent, so every start fails at once
        # (which the run passes over) while the run's other steps all happen.
        return self.launch({"CORVANE_UNAVAILABLE": ",".join(unavailable)}, stand_in=False)

    def test_each_function_switched_off_alone(self):
        names = bound_names()
        # The sweep is only as good as its list: the functions we know of must all be in it.
        for expected in ("SetProcessDEPPolicy", "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection",
                         "DllGetVersion", "InitCommonControlsEx", "SetWindowSubclass", "DefSubclassProc",
                         "OpenThemeData", "DrawThemeBackground", "DrawThemeText", "TransparentBlt",
                         "SHGetSpecialFolderLocation", "SetDefaultDllDirectories"):
            self.assertIn(expected, names)

        # With nothing off, every name but the known few is asked for and bound.
        program = self.launch_without([])
        self.run_to_done(program)
        self.close_cleanly(program)
        binds = read_binds(program.binds)
        for name in names:
            if name in NOT_ASKED:
                self.assertNotIn(name, binds, f"{name} is asked for now: take it off the list of names not asked")
            else:
                self.assertEqual(binds.get(name), "bound", name)

        timings = []
        for name in sorted(names):
            with self.subTest(function=name):
                begun = time.monotonic()
                program = self.launch_without([name])
                done = self.run_to_done(program)
                self.assertEqual(done.status(), DONE)
                self.assertIsNotNone(done.find(text="Repair Now"))
                self.close_cleanly(program)
                binds = read_binds(program.binds)
                if name in NOT_ASKED:
                    self.assertNotIn(name, binds)
                else:
                    self.assertEqual(binds.get(name), "unavailable", f"the switch did not reach {name}")
                    # Nothing else went missing on the way.
                    self.assertEqual([n for n, o in binds.items() if o != "bound" and n != name], [])
                timings.append(time.monotonic() - begun)
        print(f"\n{len(timings)} functions, one run each: {sum(timings):.1f} s", file=sys.stderr)


class WholeRuns(Sweep):
    def check_starts(self, program, items, common, common_x86):
        starts = program.starts()
        self.assertEqual(len(starts), 232)
        for i, item in enumerate(items):
            line = e2e.expand(item, common, common_x86)
            self.assertEqual(starts[2 * i][0], line)
            self.assertEqual(starts[2 * i + 1][0], line)
            self.assertEqual(starts[2 * i][1], "Registering: " + line)
        return starts

    def test_every_function_off_at_once_and_no_special_folders(self):
        # Both folder lookups fail: the tokens give way to empty text and every line still runs.
        names = sorted(bound_names())
        program = self.launch({"CORVANE_UNAVAILABLE": ",".join(names)})
        items = program.wait_window().items
        self.assertEqual(len(items), 116)
        self.run_to_done(program)
        starts = self.check_starts(program, items, "", "")
        self.assertEqual(starts[20][0], 'regsvr32 "\\Microsoft Shared\\DAO\\DAO350.DLL" /s')
        self.assertEqual(starts[0][0], "regsvr32 msjet40.dll /s")
        # Nothing was bound; some names are never asked now (no theme handle, nothing to close).
        binds = read_binds(program.binds)
        self.assertEqual({n: o for n, o in binds.items() if o != "unavailable"}, {})
        for name in ("SetProcessDEPPolicy", "DllGetVersion", "SHGetSpecialFolderLocation",
                     "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"):
            self.assertIn(name, binds)
        self.close_cleanly(program)

    def test_a_stand_in_that_fails_every_start(self):
        program = self.launch({"CORVANE_PROBE_EXIT": "5"})
        items = program.wait_window().items
        self.run_to_done(program)
        self.check_starts(program, items, COMMON, COMMON_X86)
        self.close_cleanly(program)

    def test_closed_at_twenty_random_moments_of_a_run(self):
        seed = int(os.environ.get("CORVANE_FAULTS_SEED", str(int(time.time()))))
        rng = random.Random(seed)
        # Moments counted in children started, spread over the whole run, and a delay within one.
        print(f"\nclose moments from CORVANE_FAULTS_SEED={seed}", file=sys.stderr)
        moments = sorted((rng.randrange(0, 232), rng.uniform(0, 0.06)) for _ in range(20))
        for starts_before, delay in moments:
            with self.subTest(seed=seed, starts=starts_before, delay=round(delay, 3)):
                program = self.launch({})
                snap = program.wait_window()
                e2e.click(snap.find(text="Repair Now").centre)
                self.assertTrue(program.wait_starts(starts_before, timeout=60))
                time.sleep(delay)
                took = program.close()
                self.assertIsNotNone(took, "the process did not end")
                self.assertLess(took, 1.0)
                self.assertEqual(program.process.returncode, 0)
                # A child started just before the close may still write its line; none after.
                time.sleep(0.7)
                count = len(program.starts())
                time.sleep(1.0)
                self.assertEqual(len(program.starts()), count)
                self.assertGreaterEqual(count, starts_before)
                program.kill()


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv)
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
