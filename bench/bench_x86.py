#!/usr/bin/env python3
"""The x86 exe's start-up and whole run as a 32-bit process on 64-bit Windows, in the x86 root,
where its 32-bit code runs under qemu: emulated figures, not comparable with the native x64 ones.

  bench_x86.py BUILD_DIR EXE  (the x86 test build, for its stand-ins; the exe to measure, the
                               shipped one: run inside the root by bench.py)

Prints one line: "x86\tstartup_ms=A,B,C\trun_s=S".
"""
import os
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvane_e2e as e2e  # noqa: E402

STARTUPS = 3


def main():
    build = os.path.abspath(sys.argv[1])
    e2e.own_display()
    prefix = e2e.X86Prefix(build, name="wineprefix-bench")
    exe = os.path.abspath(sys.argv[2])
    ups = []
    for i in range(STARTUPS + 1):  # the first start pays for what Wine sets up once
        r = prefix.wine([prefix.driver, "startup", e2e.windows_path(exe), e2e.CAPTION], quiet=True, timeout=300)
        fields = dict(p.partition("=")[::2] for p in r.stdout.decode().strip().split("\t")[1:])
        if r.returncode != 0 or "painted_ms" not in fields:
            sys.exit("bench_x86: the x86 exe did not show a painted window")
        if i:
            ups.append(float(fields["painted_ms"]))

    # The stand-ins exit at once, as in the x64 table's whole run.
    program = e2e.Program(prefix, {"CORVANE_PROBE_LOG": "", "CORVANE_PROBE_WINDOW": "", "WINEDEBUG": "-all"}, exe=exe)
    try:
        snap = program.wait_window(timeout=300)
        begun = time.monotonic()
        e2e.click(snap.find(text="Repair Now").centre)
        if program.wait_status(e2e.DONE, timeout=1200) is None:
            sys.exit("bench_x86: the run did not end with its summary")
        took = time.monotonic() - begun
        program.close()
    finally:
        program.kill()
        prefix.end_session()
    print("x86\tstartup_ms=" + ",".join(f"{t:.0f}" for t in ups) + f"\trun_s={took:.1f}")


if __name__ == "__main__":
    main()
