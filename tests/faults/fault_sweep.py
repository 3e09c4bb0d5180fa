#!/usr/bin/env python3
"""The real corvane.exe under every fault it can meet, under Wine and Xvfb.

  fault_sweep.py BUILD_DIR [unittest args]

Every function the program binds by name and asks for is switched off in a run of its own (the
test build reads CORVANE_UNAVAILABLE); the program must start, reach the end of its run and end
cleanly when closed. The program's first bind of each name is read back from CORVANE_BIND_LOG,
so a switch that never reached its function shows up instead of passing unseen. Then all of them
off at once, and the window closed at chosen moments of a run (CORVANE_FAULTS_SEED picks other
moments; the seed is always printed).
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
DEFAULT_SEED = 20261207

# Names the program binds but this window never asks for, and why. The theme and progress tests
# reach them in-process; switching them off here would prove nothing.
NOT_ASKED = {
    "GetThemeInt": "asked only by the bar's visual-style look, which the window does not use",
    "TransparentBlt": "asked only for a button picture, and \"Repair Now\" has none",
    "SetDllDirectoryW": "asked only where SetDefaultDllDirectories is missing (the platform tests switch it off)",
    "ShellExecuteW": "asked only when the link opens without administrator rights; the sweep runs with them",
    "OpenProcessToken": "asked only when the link is clicked (the link's own tests switch it off)",
    "GetTokenInformation": "asked only when the link is clicked (the link's own tests switch it off)",
}


def bound_names():
    """Every function the program's sources bind by name: {name: library}."""
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

    def run_to_done(self, program, timeout=300):
        """Shows the window, clicks "Repair Now", waits for the end; returns the last snapshot."""
        snap = program.wait_window()
        self.assertEqual(snap.status(), "Registering: ")
        e2e.click(snap.find(text="Repair Now").centre)
        done = program.wait_status(e2e.DONE, timeout=timeout)
        self.assertIsNotNone(done, "the run did not reach " + e2e.DONE)
        self.assertIsNone(program.process.poll(), "the program ended by itself")
        return done

    def close_cleanly(self, program):
        took, after = program.close()
        self.assertIsNotNone(took, "the program did not end when closed")
        self.assertEqual(after, 0)
        # The close ends the process with code 0; a crash ends it with another.
        self.assertEqual(program.process.returncode, 0)


class EachFunction(Sweep):
    def launch_without(self, unavailable):
        # Children would only slow this down: regsvr32 is absent, so every start fails at once
        # (which the run passes over) while the run's other steps all happen.
        return self.launch({"CORVANE_UNAVAILABLE": ",".join(unavailable)}, stand_in=False)

    def test_each_function_the_window_asks_for_switched_off_alone(self):
        names = bound_names()
        # The sweep is only as good as its list: the functions we know of must all be in it.
        for expected in ("SetProcessDEPPolicy", "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection",
                         "DllGetVersion", "InitCommonControlsEx", "SetWindowSubclass", "DefSubclassProc",
                         "OpenThemeData", "DrawThemeBackground", "DrawThemeText", "TransparentBlt",
                         "SHGetSpecialFolderLocation", "SetDefaultDllDirectories"):
            self.assertIn(expected, names)
        self.assertLessEqual(set(NOT_ASKED), set(names))

        # With nothing off, the window asks for exactly the catalogue less the names it never
        # needs, and every one binds. These are the names the sweep switches off.
        program = self.launch_without([])
        self.run_to_done(program)
        self.close_cleanly(program)
        binds = read_binds(program.binds)
        asked = sorted(binds)
        self.assertEqual(asked, sorted(set(names) - set(NOT_ASKED)))
        self.assertEqual({n: o for n, o in binds.items() if o != "bound"}, {})

        timings = []
        for name in asked:
            with self.subTest(function=name):
                begun = time.monotonic()
                program = self.launch_without([name])
                try:
                    done = self.run_to_done(program)
                    # No regsvr32, so no line started, and the run says so.
                    self.assertEqual(done.status(), e2e.NONE_STARTED)
                    self.assertIsNotNone(done.find(text="Repair Now"))
                    # Every line was still tried twice (the system refused each start), but for
                    # the lines whose folder a failed lookup left empty: those are not started;
                    # and none when the pipe's read end cannot be kept from the child.
                    folders_lost = name in ("SHGetSpecialFolderLocation", "SHGetPathFromIDListW")
                    expected = 0 if name == "SetHandleInformation" else 20 if folders_lost else 232
                    self.assertEqual(len(program.made()), expected)
                    self.close_cleanly(program)
                finally:
                    program.kill()  # a failed check must not leave its window to the next one
                binds = read_binds(program.binds)
                self.assertEqual(binds.get(name), "unavailable", f"the switch did not reach {name}")
                # Nothing else went missing on the way.
                self.assertEqual([n for n, o in binds.items() if o != "bound" and n != name], [])
                timings.append(time.monotonic() - begun)
        print(f"\n{len(timings)} functions, one run each: {sum(timings):.1f} s", file=sys.stderr)


class WholeRuns(Sweep):
    def test_every_function_off_at_once_and_no_special_folders(self):
        # Both folder lookups fail: the lines under a folder token would name paths at the drive's
        # root, so they are shown and counted but not started; the ten stored lines still start
        # twice each (Wine's trace shows each start; with no regsvr32 each fails at once).
        # SetHandleInformation stays: without it nothing starts at all (the sweep above shows it).
        names = sorted(set(bound_names()) - {"SetHandleInformation"})
        program = self.launch({"CORVANE_UNAVAILABLE": ",".join(names)}, stand_in=False)
        items = program.wait_window().items
        self.assertEqual(len(items), 116)
        done = self.run_to_done(program)
        starts = program.made()
        self.assertEqual([s.cmd for s in starts], [item for item in items[:10] for _ in (0, 1)])
        self.assertFalse(any('"\\' in s.cmd for s in starts))
        self.assertEqual(done.status(), e2e.NONE_STARTED)
        self.assertEqual(starts[0].cmd, "regsvr32 msjet40.dll /s")
        self.assertIsNotNone(done.find(text="Repair Now"))
        # Nothing was bound; some names are never asked now (no theme handle, nothing to close).
        binds = read_binds(program.binds)
        self.assertEqual({n: o for n, o in binds.items() if o != "unavailable"}, {"SetHandleInformation": "bound"})
        for name in ("SetProcessDEPPolicy", "DllGetVersion", "SHGetSpecialFolderLocation",
                     "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection",
                     "InitializeProcThreadAttributeList", "SetDefaultDllDirectories", "SetDllDirectoryW"):
            self.assertIn(name, binds)
        self.close_cleanly(program)

    def close_at(self, starts_before, delay, env=None):
        """Starts a run, waits until the program has made `starts_before` starts and `delay` more
        seconds, then closes the window: the process ends with code 0 and makes at most the one
        start it may have been about to make, and every child it started runs on by itself."""
        program = self.launch(env)
        snap = program.wait_window()
        e2e.click(snap.find(text="Repair Now").centre)
        self.assertTrue(program.wait_made(starts_before, timeout=120))
        time.sleep(delay)
        took, after = program.close()
        self.assertIsNotNone(took, "the process did not end")
        self.assertEqual(program.process.returncode, 0)
        self.assertLessEqual(after, 1)
        starts = program.settled()
        self.assertGreaterEqual(len(starts), starts_before)
        self.assertLessEqual(sum(1 for s in starts if s.record is None), e2e.MOST_LOST)
        program.kill()
        return took

    def test_closed_at_chosen_moments_of_a_run(self):
        seed = int(os.environ.get("CORVANE_FAULTS_SEED", DEFAULT_SEED))
        print(f"\nclose moments from CORVANE_FAULTS_SEED={seed}", file=sys.stderr)
        rng = random.Random(seed)
        # Moments counted in starts made, in the first lines (every line takes the same steps),
        # and a delay that lands anywhere among one line's steps.
        moments = sorted((rng.randrange(0, 40), rng.uniform(0, 0.1)) for _ in range(5))
        moments.insert(0, (0, 0.0))  # while the run looks up its folders
        for starts_before, delay in moments:
            with self.subTest(seed=seed, starts=starts_before, delay=round(delay, 3)):
                took = self.close_at(starts_before, delay)
                print(f"closed after {starts_before} starts + {delay:.3f} s: {took:.2f} s", file=sys.stderr)

    def test_closed_while_the_runner_waits_for_a_child(self):
        # Row 3's children sleep past the runner's 3 s wait, which dispatches no messages: the
        # close is handled when the wait ends, and nothing is started after it.
        sleeper = {"CORVANE_PROBE_SLEEP_MS": "6000", "CORVANE_PROBE_SLEEP_MATCH": "msjetoledb40.dll"}
        took = self.close_at(5, 1.0, sleeper)
        print(f"closed during the wait: {took:.2f} s", file=sys.stderr)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    e2e.own_display()
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
