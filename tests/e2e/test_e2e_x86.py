#!/usr/bin/env python3
"""The x86 exe, the main release, as a 32-bit process on 64-bit Windows (Wine's WoW64 in the x86
root): its run starts each line once with WOW64 redirection off, reaching the 64-bit regsvr32
in system32, and once with it on, reaching the 32-bit one in syswow64. The lines for
%CommonProgramFiles% name the native tree, which the shell does not tell a 32-bit process.

  test_e2e_x86.py BUILD_DIR [unittest args]

BUILD_DIR is the x86 build; the x64 build beside it supplies the 64-bit stand-in and driver.
Runs inside the x86 root (tests/x86/run-in-root.sh)."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvane_e2e as e2e  # noqa: E402

BUILD = None


def folders(prefix, driver):
    """What the shell tells the driver's bitness for folders 43 and 44."""
    r = prefix.wine([driver, "folders", "x"], quiet=True)
    assert r.returncode == 0, "the driver could not ask the shell"
    text = r.stdout.decode("utf-8")
    print(text, file=sys.stderr)
    fields = [line.split("\t") for line in text.splitlines()]
    return {int(f[1]): f[2] for f in fields if len(f) == 3 and f[0] == "folder"}


class Wow64Run(unittest.TestCase):
    def test_each_line_first_in_the_64_bit_view_then_in_the_32_bit_view(self):
        prefix = e2e.X86Prefix(BUILD)
        native = folders(prefix, prefix.driver)
        wow64 = folders(prefix, prefix.driver32)
        # The shell names the 32-bit tree for both in a 32-bit process: the lines for
        # %CommonProgramFiles% must carry the one a 64-bit process is told.
        self.assertNotEqual(native[43], wow64[43])
        self.assertEqual(wow64[43], wow64[44])
        program = e2e.Program(prefix)
        self.addCleanup(program.kill)
        snap = program.wait_window(timeout=300)
        # The window as the x64 build shows it.
        w = snap.window
        self.assertEqual(w.text, e2e.CAPTION)
        self.assertEqual((w.client[2] - w.client[0], w.client[3] - w.client[1]), (436, 182))
        bar = snap.find(size=(419, 12))
        self.assertIsNotNone(bar)
        self.assertEqual(snap.status(), "Registering: ")
        self.assertEqual(len(snap.items), 116)

        # Pressed, and pressed again while the first lines run: a nested run, whose own lines
        # must each start in the 64-bit view first and in the 32-bit one then, wherever the
        # second press was handled (no message is handled with redirection off).
        begun = time.monotonic()
        button = snap.find(text="Repair Now").centre
        e2e.click(button)
        self.assertTrue(program.wait_made(3, timeout=300))
        e2e.click(button)
        self.assertTrue(program.wait_made(240, timeout=900), "the second press started no nested run")
        done = program.wait_status(e2e.DONE, timeout=900)
        self.assertIsNotNone(done, "the run did not end")
        print(f"two nested x86 runs under emulation: {time.monotonic() - begun:.1f} s", file=sys.stderr)

        lines = [e2e.expand(item, native[43], wow64[44]) for item in snap.items]
        self.assertIn(native[43] + "\\Microsoft Shared\\DAO\\DAO350.DLL", lines[63])
        self.assertIn(wow64[44] + "\\Microsoft Shared\\DAO\\DAO350.DLL", lines[10])
        one_run = [line for line in lines for _ in (0, 1)]
        starts = program.settled()
        made = [s.cmd for s in starts]
        # The outer run's starts with the nested run's whole list inside them, at the press.
        at = next((k for k in range(len(one_run) + 1) if made == one_run[:k] + one_run + one_run[k:]), None)
        self.assertIsNotNone(at, "the starts are not two whole runs, one nested in the other")
        print(f"the nested run began after the outer run's start {at}", file=sys.stderr)
        windows = r"C:\windows"
        lost = 0
        for i, start in enumerate(starts):
            if start.record is None:
                lost += 1
                continue
            # Redirection off for a line's first start, back on for its second, in each run.
            j = i - at if at <= i < at + len(one_run) else i if i < at else i - len(one_run)
            view, bits = ("system32", "64") if j % 2 == 0 else ("syswow64", "32")
            with self.subTest(start=i + 1):
                self.assertEqual(start.record.cmd, start.cmd)
                self.assertEqual(start.record.fields.get("bits"), bits)
                self.assertEqual(start.record.module.lower(), rf"{windows}\{view}\regsvr32.exe".lower())
        self.assertLessEqual(lost, e2e.MOST_LOST)
        # The stand-in ends every child with 0; the outer run's summary covers its own lines.
        self.assertEqual(done.status(), e2e.ALL_REGISTERED)

        # The bar at 116 of 116: filled blue from edge to edge.
        pixels = e2e.screen_pixels(bar.window)
        flat = [p for row in pixels[1:-1] for p in row[1:-1]]
        self.assertGreater(sum(1 for p in flat if p == (0, 0, 255)), len(flat) * 0.6)
        self.assertLess(sum(1 for p in flat if p == (255, 255, 255)), len(flat) * 0.1)
        e2e.screenshot(os.path.join(BUILD, "e2e-x86-after-run.png"), done.window.window)
        took, after = program.close()
        self.assertEqual(after, 0)
        self.assertEqual(program.process.returncode, 0)


class RealRegsvr32(unittest.TestCase):
    """The x86 exe with Wine's own regsvr32 in both views and the data-access DLLs the x86 root's
    prefix holds: Wine's four in the native tree (64-bit) and the same four in the (x86) tree
    (32-bit). Wine loads its own DLLs by name, whatever the folder, so each regsvr32 registers
    either tree's file with its own bitness's DLL and answers 0 in both views (Windows' 64-bit
    regsvr32 would answer 3 for a 32-bit file, and the line would still count as registered)."""

    CLASSES = {"ADODB.Connection": "{00000514-0000-0010-8000-00AA006D2EA4}",
               "MSDAINITIALIZE": "{2206CDB0-19C1-11D1-89E0-00C04FD7A829}"}
    FILES = {"ADODB.Connection": r"System\ado\msado15.dll", "MSDAINITIALIZE": r"System\Ole DB\oledb32.dll"}
    NATIVE = {67, 95, 97, 112}
    X86 = {14, 42, 44, 59}

    def test_both_trees_registered_again_each_in_the_view_that_loads_it(self):
        prefix = e2e.X86Prefix(BUILD, name="wineprefix-e2e-regsvr32")  # beside the other test's
        native = folders(prefix, prefix.driver)
        builtin = {"WINEDLLOVERRIDES": "mscoree,mshtml=;regsvr32.exe=b"}  # Wine's own regsvr32, not the stand-ins
        regsvr32 = {"64": r"C:\windows\system32\regsvr32.exe", "32": r"C:\windows\syswow64\regsvr32.exe"}
        trees = {"64": native[43], "32": native[44]}
        for bits in ("64", "32"):
            for name, file in self.FILES.items():
                # Through cmd: a 64-bit process starting the 32-bit regsvr32 gets a 32-bit process.
                r = prefix.wine(["cmd", "/c", regsvr32[bits], "/u", "/s", trees[bits] + "\\" + file], quiet=True,
                                extra=builtin, timeout=300)
                self.assertEqual(r.returncode, 0, f"{bits}-bit {file}")
                self.assertIsNone(class_file(prefix, self.CLASSES[name], bits), f"{bits}-bit {name}")

        program = e2e.Program(prefix, builtin)
        self.addCleanup(program.kill)
        snap = program.wait_window(timeout=300)
        e2e.click(snap.find(text="Repair Now").centre)
        done = program.wait_status(e2e.DONE, timeout=1200)
        self.assertIsNotNone(done, "the run did not end")
        expected = []
        for n, item in enumerate(snap.items, start=1):
            line = e2e.expand(item, native[43], native[44])
            if n in self.NATIVE | self.X86:
                expected.append(("registered", "0", "0", line))
            else:
                expected.append(("not on this PC", "3", "3", line))
        report = e2e.copy_report(self, program, done.window)
        if not e2e.check_report(self, done.status(), report, expected):
            self.assertEqual(done.status(),
                             "Registering: Done - 8 registered, 108 not on this PC. Ctrl+C copies the details.")
        # The classes are back in both registry views and name the file: the 64-bit view the
        # native one (row 67's and 112's first starts come after rows 14's and 59's), the 32-bit
        # view whichever tree's line registered last.
        for name, guid in self.CLASSES.items():
            for bits in ("64", "32"):
                files = [(tree + "\\" + self.FILES[name]).lower() for tree in trees.values()]
                # A regsvr32 a loaded machine left running past the wait writes them when it ends.
                until = time.monotonic() + 60
                while (class_file(prefix, guid, bits) or "").lower() not in files and time.monotonic() < until:
                    time.sleep(0.5)
                named = (class_file(prefix, guid, bits) or "").lower()
                print(f"{bits}-bit {name}: {named}", file=sys.stderr)
                self.assertIn(named, files[:1] if bits == "64" else files, f"{bits}-bit {name}")
        e2e.screenshot(os.path.join(BUILD, "e2e-x86-real-regsvr32.png"), done.window.window)


def class_file(prefix, guid, bits):
    """The file a class's InprocServer32 names in the 64- or 32-bit registry view, or None."""
    return prefix.registry_default(rf"HKLM\Software\Classes\CLSID\{guid}\InprocServer32", bits)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    e2e.own_display()
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
