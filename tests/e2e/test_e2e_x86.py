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

        begun = time.monotonic()
        e2e.click(snap.find(text="Repair Now").centre)
        done = program.wait_status(e2e.DONE, timeout=900)
        self.assertIsNotNone(done, "the run did not reach Registering: Done")
        print(f"whole x86 run under emulation: {time.monotonic() - begun:.1f} s", file=sys.stderr)

        lines = [e2e.expand(item, native[43], wow64[44]) for item in snap.items]
        self.assertIn(native[43] + "\\Microsoft Shared\\DAO\\DAO350.DLL", lines[63])
        self.assertIn(wow64[44] + "\\Microsoft Shared\\DAO\\DAO350.DLL", lines[10])
        starts = e2e.check_whole_run(self, program, lines)
        windows = r"C:\windows"
        for j, start in enumerate(starts):
            if start.record is None:
                continue
            # Redirection off for a line's first start, back on for its second.
            view, bits = ("system32", "64") if j % 2 == 0 else ("syswow64", "32")
            with self.subTest(start=j + 1):
                self.assertEqual(start.record.fields.get("bits"), bits)
                self.assertEqual(start.record.module.lower(), rf"{windows}\{view}\regsvr32.exe".lower())

        # The bar at 116 of 116: filled blue from edge to edge.
        pixels = e2e.screen_pixels(bar.window)
        flat = [p for row in pixels[1:-1] for p in row[1:-1]]
        self.assertGreater(sum(1 for p in flat if p == (0, 0, 255)), len(flat) * 0.6)
        self.assertLess(sum(1 for p in flat if p == (255, 255, 255)), len(flat) * 0.1)
        e2e.screenshot(os.path.join(BUILD, "e2e-x86-after-run.png"), done.window.window)
        took, after = program.close()
        self.assertEqual(after, 0)
        self.assertEqual(program.process.returncode, 0)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    e2e.own_display()
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
