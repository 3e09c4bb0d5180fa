#!/usr/bin/env python3
"""The real corvane.exe under Wine and Xvfb, driven as a user drives it.

  test_e2e.py BUILD_DIR [unittest args]
"""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvane_e2e as e2e  # noqa: E402

BUILD = None
COMMON = r"C:\Program Files\Common Files"
COMMON_X86 = r"C:\Program Files (x86)\Common Files"
FACEBOOK = "https://www.facebook.com/hollisk"
LINK = "Follow Hollisk on Facebook"
NOT_ADMINISTRATOR = ("Registering: not started - administrator rights are needed "
                     "(right-click corvane.exe and choose Run as administrator)")


class WindowTest(unittest.TestCase):
    prefix = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = e2e.Prefix(BUILD)

    def start(self, **env):
        self.prefix.install_regsvr32()
        program = e2e.Program(self.prefix, env)
        self.addCleanup(program.kill)
        snap = program.wait_window()
        return program, snap

    def press_repair(self, program, snap, button=1):
        e2e.click(snap.find(text="Repair Now").centre, button)


class StartUp(WindowTest):
    def test_window_as_it_opens(self):
        program, snap = self.start()
        w = snap.window
        self.assertEqual(w.text, e2e.CAPTION)
        self.assertEqual(snap.dpi, 96)
        self.assertEqual((w.client[2] - w.client[0], w.client[3] - w.client[1]), (436, 182))
        # Fixed single border with a close box only.
        WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_SYSMENU, WS_CAPTION = (
            0x40000, 0x20000, 0x10000, 0x80000, 0xC00000)
        self.assertFalse(w.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX))
        self.assertEqual(w.style & (WS_SYSMENU | WS_CAPTION), WS_SYSMENU | WS_CAPTION)
        # Centred on the 1024 x 768 screen.
        cx, cy = (w.window[0] + w.window[2]) / 2, (w.window[1] + w.window[3]) / 2
        self.assertLessEqual(abs(cx - snap.screen[0] / 2), 1)
        self.assertLessEqual(abs(cy - snap.screen[1] / 2), 1)
        self.assertEqual(snap.status(), "Registering: ")
        button = snap.find(text="Repair Now")
        self.assertIsNotNone(button)
        self.assertEqual(snap.focus, button.hwnd)
        self.assertEqual((button.width, button.height), (143, 33))
        # The bar's picture box, the status label and the description where the layout puts them.
        origin = w.client[:2]
        bar = snap.find(size=(419, 12))
        self.assertIsNotNone(bar)
        self.assertEqual((bar.window[0] - origin[0], bar.window[1] - origin[1]), (8, 6))
        self.assertEqual((button.window[0] - origin[0], button.window[1] - origin[1]), (288, 22))
        link = snap.find(text=LINK, cls="Static")
        self.assertEqual((link.window[0] - origin[0], link.window[1] - origin[1], link.width, link.height),
                         (22, 164, 156, 12))
        # A screen reader names the link picture as the label reads, and the bar by its caption.
        picture = snap.find(text=LINK, cls="CorvaneImage")
        self.assertEqual((picture.window[0] - origin[0], picture.window[1] - origin[1]), (4, 162))
        self.assertEqual(bar.text, "")
        # The hidden controls hold the run's data.
        self.assertEqual(len(snap.items), 116)
        self.assertEqual(snap.items[0], "regsvr32 msjet40.dll /s")
        self.assertTrue(any(snap.edits.get(c.hwnd) == '"' and not c.visible for c in snap.controls))
        self.assertEqual(program.made(), [])


# What a fresh 64-bit prefix holds of the list: Wine's own four, in the native tree.
PRESENT = {67, 95, 97, 112}


class FullRun(WindowTest):
    def test_whole_run_with_a_child_that_outlives_the_wait(self):
        # Row 5's children sleep past the runner's 3 s wait; the run goes on without them. The
        # stand-in answers 0 for msado15.dll, 5 for oledb32.dll and 3 (could not load) for the rest.
        program, snap = self.start(CORVANE_PROBE_SLEEP_MS="5000", CORVANE_PROBE_SLEEP_MATCH="msjint40.dll",
                                   CORVANE_PROBE_EXITS="msado15.dll=0;oledb32.dll=5", CORVANE_PROBE_EXIT="3")
        items = snap.items
        bar = snap.find(size=(419, 12))
        begun = time.monotonic()
        self.press_repair(program, snap)
        done = program.wait_status(e2e.DONE, timeout=300)
        took = time.monotonic() - begun
        self.assertIsNotNone(done, "the run did not reach Registering: Done")
        print(f"\nfull run under Wine: {took:.1f} s", file=sys.stderr)

        self.assertEqual(done.find(size=(419, 12)).text, "116/116 100 %")  # what a screen reader reads
        # What it achieved: the registered, the one still running, the refused whose file is
        # there (oledb32 and the two others Wine has), and the missing.
        expected = []
        for n, line in enumerate((e2e.expand(item, COMMON, COMMON_X86) for item in items), start=1):
            code = "0" if "msado15.dll" in line else "5" if "oledb32.dll" in line else "3"
            if n == 5:
                expected.append(("still running", "still running", "still running", line))
            elif code == "0":
                expected.append(("registered", code, code, line))
            elif n in PRESENT:
                expected.append((f"failed ({code})", code, code, line))
            else:
                expected.append(("not on this PC", code, code, line))
        report = e2e.copy_report(self, program, done.window)
        late = e2e.check_report(self, done.status(), report, expected)
        if not late:
            self.assertEqual(done.status(), "Registering: Done - 2 registered, 1 still running, 3 failed, "
                                            "110 not on this PC. Ctrl+C copies the details.")

        lines = [e2e.expand(item, COMMON, COMMON_X86) for item in items]
        starts = e2e.check_whole_run(self, program, lines)
        self.assertEqual(starts[20].cmd, 'regsvr32 "%s\\Microsoft Shared\\DAO\\DAO350.DLL" /s' % COMMON_X86)
        # The sleepers finish on their own after the run has left them behind.
        self.assertTrue(e2e_wait(lambda: program.dones() >= 2, 120))

        # The bar at 116 of 116: filled blue from edge to edge, no white background left.
        pixels = e2e.screen_pixels(bar.window)
        flat = [p for row in pixels[1:-1] for p in row[1:-1]]
        blue = sum(1 for p in flat if p == (0, 0, 255))
        white = sum(1 for p in flat if p == (255, 255, 255))
        self.assertGreater(blue, len(flat) * 0.6)
        self.assertLess(white, len(flat) * 0.1)
        e2e.screenshot(os.path.join(BUILD, "e2e-after-run.png"), done.window.window)

    def test_closing_mid_run_ends_the_process_and_starts_nothing_more(self):
        program, snap = self.start()
        self.press_repair(program, snap)
        self.assertTrue(program.wait_made(20, timeout=120))
        took, after = program.close()
        self.assertIsNotNone(took, "the process did not end")
        print(f"\nclosed mid-run in {took:.2f} s", file=sys.stderr)
        self.assertLessEqual(after, 1)
        self.assertEqual(program.process.returncode, 0)
        # Every child it had started runs on by itself and writes its record.
        starts = program.settled()
        self.assertLess(len(starts), 232)
        self.assertLessEqual(sum(1 for s in starts if s.record is None), e2e.MOST_LOST)


class Input(WindowTest):
    def test_alt_f4_ends_the_program_at_once(self):
        program, snap = self.start()
        button = snap.find(text="Repair Now")
        e2e.xdotool("mousemove", button.centre[0], button.centre[1] + 40)  # keys reach the window under the pointer
        time.sleep(0.2)
        e2e.xdotool("key", "alt+F4")
        program.process.wait(timeout=60)
        self.assertEqual(program.process.returncode, 0)

    def test_right_button_release_starts_a_run(self):
        program, snap = self.start()
        self.press_repair(program, snap, button=3)
        self.assertTrue(program.wait_made(2, timeout=120))
        self.assertEqual(program.made()[0].cmd, "regsvr32 msjet40.dll /s")

    def test_space_bar_toggles_the_button_but_starts_no_run(self):
        program, snap = self.start()
        button = snap.find(text="Repair Now")
        e2e.xdotool("mousemove", button.centre[0], button.centre[1] + 40)  # keys reach the window under the pointer
        time.sleep(0.2)
        before = snap.checks.get(button.hwnd)
        e2e.xdotool("key", "space")
        time.sleep(2)
        after = program.snapshot()
        self.assertEqual(program.made(), [])
        self.assertEqual(after.status(), "Registering: ")
        self.assertNotEqual(after.checks.get(button.hwnd), before)

    def test_link_label_and_picture_open_the_page(self):
        program, snap = self.start()
        self.addCleanup(self.prefix.end_session)  # see Safety.click_link
        log = self.prefix.browser_log
        if os.path.exists(log):
            os.remove(log)
        e2e.click(snap.find(text=LINK, cls="Static").centre)
        self.assertTrue(e2e_wait(lambda: FACEBOOK in read(log), 60))
        origin = snap.window.client[:2]
        e2e.click((origin[0] + 4 + 8, origin[1] + 162 + 8))  # the 16 x 16 picture
        self.assertTrue(e2e_wait(lambda: read(log).count(FACEBOOK) == 2, 60))
        self.assertEqual(program.made(), [])


class Faults(WindowTest):
    def test_without_regsvr32_the_run_still_ends_done_and_the_window_answers(self):
        program, snap = self.start()
        self.prefix.remove_regsvr32()
        self.addCleanup(self.prefix.install_regsvr32)
        self.press_repair(program, snap)
        done = program.wait_status(e2e.DONE, timeout=300)
        self.assertIsNotNone(done)
        self.assertEqual(done.status(), e2e.NONE_STARTED)
        report = e2e.copy_report(self, program, done.window)
        self.assertIsNotNone(report)
        rows = report.split("\r\n")
        self.assertEqual(rows[0], "Registering: Done - 116 not started.")
        self.assertEqual(rows[1], "1\tnot started\tError: CreateProcess failed. 2\tError: CreateProcess failed. 2\t"
                                  "regsvr32 msjet40.dll /s")
        # Every line was still tried twice; the system refused each start.
        starts = program.made()
        self.assertEqual(len(starts), 232)
        self.assertEqual([s.pid for s in starts], [None] * 232)
        self.assertEqual(program.records(), [])
        # Still responsive: a message sent to it is answered, and it closes.
        self.assertIsNotNone(program.snapshot())
        took, after = program.close()
        self.assertEqual(after, 0)


class Safety(WindowTest):
    """What an elevated program must not do, and what it must say when it is not elevated."""

    def click_link(self, snap):
        # Wine's explorer, which opens the page for an elevated program, can die when that
        # program ends abruptly soon after: the next test gets a session of its own.
        self.addCleanup(self.prefix.end_session)
        log = self.prefix.browser_log
        if os.path.exists(log):
            os.remove(log)
        e2e.click(snap.find(text=LINK, cls="Static").centre)
        return log

    def test_without_administrator_rights_a_run_starts_nothing_and_says_why(self):
        self.prefix.install_regsvr32()
        program = e2e.Program(self.prefix, limited=True)
        self.addCleanup(program.kill)
        snap = program.wait_window()
        bar = snap.find(size=(419, 12))
        before = e2e.screen_pixels(bar.window)
        self.press_repair(program, snap)
        done = program.wait_status(NOT_ADMINISTRATOR, timeout=120)
        self.assertIsNotNone(done, "the status line did not say why nothing ran")
        time.sleep(1)
        self.assertEqual(program.made(), [])
        self.assertEqual(program.records(), [])
        self.assertEqual(e2e.screen_pixels(bar.window), before)  # the bar stays as it is
        # Not elevated, it opens the page itself.
        log = self.click_link(snap)
        self.assertTrue(e2e_wait(lambda: FACEBOOK in read(log), 60))
        self.assertTrue(any("winebrowser" in c.cmd for c in e2e.read_trace(program.trace)))
        took, after = program.close()
        self.assertIsNotNone(took)
        self.assertEqual(after, 0)
        self.assertEqual(program.process.returncode, 0)

    def test_elevated_the_link_opens_through_the_desktop_shell(self):
        program, snap = self.start()
        log = self.click_link(snap)
        self.assertTrue(e2e_wait(lambda: FACEBOOK in read(log), 60))
        # The shell started the browser; the program itself started no process.
        self.assertEqual(e2e.read_trace(program.trace), [])

    def test_elevated_with_the_shell_or_its_token_out_of_reach_nothing_opens(self):
        # The desktop's shell out of reach, or the program unable to tell whether it is elevated:
        # either way nothing opens, rather than a browser with the program's rights.
        for name in ("CoCreateInstance", "OpenProcessToken", "GetTokenInformation"):
            with self.subTest(switched_off=name):
                program, snap = self.start(CORVANE_UNAVAILABLE=name)
                log = self.click_link(snap)
                origin = snap.window.client[:2]
                e2e.click((origin[0] + 4 + 8, origin[1] + 162 + 8))  # the picture
                time.sleep(5)
                self.assertEqual(read(log), "")
                self.assertEqual(e2e.read_trace(program.trace), [])
                self.assertIsNotNone(program.snapshot())  # and the program goes on
                program.close()
                self.assertEqual(program.process.returncode, 0)

    def test_a_shutdown_query_keeps_the_run_going_and_only_the_ending_session_ends_it(self):
        program, snap = self.start()
        self.press_repair(program, snap)
        self.assertTrue(program.wait_made(10, timeout=120))
        code, out = program.driver("queryend", e2e.CAPTION)
        self.assertEqual((code, out.strip()), (0, "answer\t1"))
        self.assertTrue(program.wait_made(20, timeout=120), "the run stopped at the question")
        program.driver("endsession", e2e.CAPTION, "0")  # another program cancelled the shutdown
        self.assertTrue(program.wait_made(30, timeout=120), "a cancelled shutdown ended the run")
        program.driver("endsession", e2e.CAPTION, "1")
        before = len(program.made())
        program.process.wait(timeout=60)
        self.assertEqual(program.process.returncode, 0)
        self.assertLessEqual(len(program.made()) - before, 1)

    def test_without_a_window_the_program_ends_instead_of_waiting(self):
        program = e2e.Program(self.prefix, {"DISPLAY": ""})
        self.addCleanup(program.kill)
        program.process.wait(timeout=120)
        self.assertEqual(program.process.returncode, 1)


class RealRegsvr32(unittest.TestCase):
    """Wine's own regsvr32 and the four data-access DLLs a fresh prefix holds, no stand-in."""

    ADODB_CONNECTION = r"HKCR\CLSID\{00000514-0000-0010-8000-00AA006D2EA4}\InprocServer32"
    MSDAINITIALIZE = r"HKCR\CLSID\{2206CDB0-19C1-11D1-89E0-00C04FD7A829}\InprocServer32"

    def test_the_four_files_wine_has_are_registered_again_and_the_rest_are_not_on_this_pc(self):
        prefix = e2e.Prefix(BUILD)
        builtin = {"WINEDLLOVERRIDES": "mscoree,mshtml=;regsvr32.exe=b"}  # Wine's own regsvr32, not the stand-in
        ado = COMMON + r"\System\ado\msado15.dll"
        oledb = COMMON + r"\System\Ole DB\oledb32.dll"
        for path in (ado, oledb):
            r = prefix.wine(["regsvr32", "/u", "/s", path], quiet=True, extra=builtin)
            self.assertEqual(r.returncode, 0, path)
        self.assertIsNone(prefix.registry_default(self.ADODB_CONNECTION))
        self.assertIsNone(prefix.registry_default(self.MSDAINITIALIZE))

        program = e2e.Program(prefix, builtin)
        self.addCleanup(program.kill)
        snap = program.wait_window()
        e2e.click(snap.find(text="Repair Now").centre)
        done = program.wait_status(e2e.DONE, timeout=600)
        self.assertIsNotNone(done, "the run did not end")
        expected = []
        for n, item in enumerate(snap.items, start=1):
            line = e2e.expand(item, COMMON, COMMON_X86)
            expected.append(("registered", "0", "0", line) if n in PRESENT else ("not on this PC", "3", "3", line))
        report = e2e.copy_report(self, program, done.window)
        if not e2e.check_report(self, done.status(), report, expected):
            self.assertEqual(done.status(),
                             "Registering: Done - 4 registered, 112 not on this PC. Ctrl+C copies the details.")
        # The classes are back, and name the files (a regsvr32 a loaded machine left running past
        # the wait writes them when it ends).
        for key, path in ((self.ADODB_CONNECTION, ado), (self.MSDAINITIALIZE, oledb)):
            e2e_wait(lambda: (prefix.registry_default(key) or "").lower() == path.lower(), 60)
            self.assertEqual((prefix.registry_default(key) or "").lower(), path.lower())
        e2e.screenshot(os.path.join(BUILD, "e2e-real-regsvr32.png"), done.window.window)


class HighDpi(unittest.TestCase):
    def test_layout_scales_at_144_dpi(self):
        prefix = e2e.Prefix(BUILD, name="wineprefix-e2e-144", style="dpi144")
        program = e2e.Program(prefix)
        self.addCleanup(program.kill)
        snap = program.wait_window()
        self.assertEqual(snap.dpi, 144)
        w = snap.window
        self.assertEqual((w.client[2] - w.client[0], w.client[3] - w.client[1]), (654, 273))
        # The bar's picture box, 6285 x 180 twips: 628.5 pixels wide, however the half is taken.
        self.assertTrue(any(c.width in (628, 629) and c.height == 18 for c in snap.controls))

    def test_moved_to_a_144_dpi_monitor_the_layout_follows(self):
        # Windows tells a window moved to another monitor with WM_DPICHANGED; Wine never does,
        # so the driver sends it, with the frame scaled 1.5 times about its centre.
        prefix = e2e.Prefix(BUILD)
        program = e2e.Program(prefix)
        self.addCleanup(program.kill)
        before = program.wait_window()
        self.assertEqual(before.dpi, 96)
        code, out = program.driver("dpichanged", e2e.CAPTION, "144")
        self.assertEqual(code, 0, out)
        fields = dict(f.split("=", 1) for f in out.strip().split("\t")[1:])
        suggested = [int(v) for v in fields["suggested"].split(",")]
        snap = program.snapshot()
        w = snap.window
        # From the suggested top-left corner, the client area is the twips at 144 dpi.
        self.assertEqual(list(w.window[:2]), suggested[:2])
        self.assertEqual((w.client[2] - w.client[0], w.client[3] - w.client[1]), (654, 273))
        self.assertTrue(any(c.width in (628, 629) and c.height == 18 for c in snap.controls))
        link = snap.find(text="Follow Hollisk on Facebook")
        self.assertEqual((link.width, link.height), (234, 18))
        self.assertLessEqual(link.client[3], w.client[3])


def read(path):
    if not os.path.exists(path):
        return ""
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def e2e_wait(condition, seconds):
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    e2e.own_display()
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
