#!/usr/bin/env python3
"""Checks the release bundle as a user receives it.

  check_dist.py BUILD_DIR

Builds the bundle once and checks, for each zip: its files, the exe's size, imports, hardening
flags and resources, the manifest beside it, the version record as Windows reads it, and the x64
exe starting under Wine with that manifest. (`make dist` builds it twice and compares the bytes.)
"""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvane_e2e as e2e  # noqa: E402

BUILD = None
OUT = None
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
              "shlwapi.dll", "advapi32.dll", "msvcrt.dll"}
# What a user downloads stays small: the exe as shipped, per architecture.
MAX_EXE = {"x64": 256 * 1024, "x86": 320 * 1024}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WS2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WS2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


def version():
    with open(os.path.join(ROOT, "VERSION")) as f:
        return f.read().strip()


def bound_by_name():
    """The functions the program binds at run time: they must not be in the import table."""
    with open(os.path.join(ROOT, "platform", "functions.h")) as f:
        return set(re.findall(r'L"[\w.]+\.dll",\s*"(\w+)"', f.read()))


# What a test seam leaves in an exe. Its switches are environment variables named CORVANE_...
# (CORVANE_UNAVAILABLE, CORVANE_BIND_LOG, ...: in UTF-16, as the program reads them); the bind log
# writes its outcome words; and a symbol table or debug information names the override, switch and
# bind-log entries.
SEAM_ENTRIES = ("SetFunctionOverride", "SetFunctionUnavailable", "IsFunctionUnavailable", "SetLibraryObserver",
                "BindCalls", "tellBind", "SetFailureHook")


def seams_in(data):
    """The seams found in an exe's bytes, by name; empty for a clean one."""
    found = []
    for text in ("CORVANE_",) + SEAM_ENTRIES:
        if text.encode("ascii") in data or text.encode("utf-16-le") in data:
            found.append(text)
    if b"\0unavailable\0" in data:
        found.append("bind log")
    return found


class PE:
    """Just enough of a PE file: hardening flags, imports and resource types."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0"
        self.machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.timestamp = struct.unpack_from("<I", data, pe + 8)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(sections):
            s = opt + opt_size + 40 * i
            vsize, va, rawsize, raw = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((va, max(vsize, rawsize), raw))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(hex(rva))

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        result = {}
        rva = self.directories[1][0]
        thunk_size = 4 if self.magic == 0x10B else 8
        ordinal_flag = 1 << (thunk_size * 8 - 1)
        at = self.offset(rva)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, at)
            if not name:
                break
            functions = []
            thunk = self.offset(lookup or first)
            while True:
                value = struct.unpack_from("<Q" if thunk_size == 8 else "<I", self.data, thunk)[0]
                if not value:
                    break
                if not value & ordinal_flag:
                    functions.append(self.cstring(value + 2))
                thunk += thunk_size
            result[self.cstring(name).lower()] = functions
            at += 20
        return result

    def resource_types(self):
        rva, size = self.directories[2]
        if not rva:
            return set()
        at = self.offset(rva)
        named, ids = struct.unpack_from("<HH", self.data, at + 12)
        return {struct.unpack_from("<I", self.data, at + 16 + 8 * i)[0] for i in range(named, named + ids)}


class Bundle(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = os.path.join(BUILD, "dist-check")
        cls.dist = os.path.join(cls.work, "dist")
        shutil.rmtree(cls.dist, ignore_errors=True)
        subprocess.run([os.path.join(ROOT, "packaging", "make_dist.sh"), cls.dist, cls.work], check=True)
        cls.version = version()

    def zips(self):
        return {arch: os.path.join(self.dist, f"corvane-{self.version}-{arch}.zip") for arch in ("x86", "x64")}

    def unpacked(self, arch):
        folder = tempfile.mkdtemp(prefix=f"corvane-{arch}-")
        self.addCleanup(shutil.rmtree, folder, True)
        with zipfile.ZipFile(self.zips()[arch]) as z:
            z.extractall(folder)
        return folder

    def test_the_checksums_name_both_zips(self):
        zips = sorted([f"corvane-{self.version}-x86.zip", f"corvane-{self.version}-x64.zip"])
        self.assertEqual(sorted(os.listdir(self.dist)), sorted(zips + ["SHA256SUMS"]))
        with open(os.path.join(self.dist, "SHA256SUMS")) as f:
            sums = [line.split() for line in f]
        self.assertEqual(sorted(name for _, name in sums), zips)
        for digest, name in sums:
            with open(os.path.join(self.dist, name), "rb") as z:
                self.assertEqual(hashlib.sha256(z.read()).hexdigest(), digest)

    def test_each_zip_holds_the_exe_its_manifest_and_the_notes(self):
        commit = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"], stdout=subprocess.PIPE,
                                text=True).stdout.strip()
        for arch, path in self.zips().items():
            with zipfile.ZipFile(path) as z:
                infos = z.infolist()
                self.assertEqual([i.filename for i in infos], ["corvane.exe", "corvane.exe.manifest", "README.txt"])
                stamps = {i.date_time for i in infos}
                self.assertEqual(len(stamps), 1, arch)
                if commit:
                    expected = time.gmtime(int(commit))[:6]
                    got = stamps.pop()
                    self.assertEqual(got[:5], expected[:5], arch)
                notes = z.read("README.txt").decode("ascii")
                self.assertIn("\r\n", notes)
                self.assertIn(self.version, notes)
                for words in ("administrator", "restart the computer", "no files"):
                    self.assertIn(words, notes.lower().replace("\r\n", " "))

    def test_exe_is_small_hardened_and_imports_only_known_dlls(self):
        late = bound_by_name()
        self.assertIn("SetProcessDEPPolicy", late)
        self.assertIn("TransparentBlt", late)
        for arch in ("x86", "x64"):
            folder = self.unpacked(arch)
            with open(os.path.join(folder, "corvane.exe"), "rb") as f:
                data = f.read()
            self.assertLessEqual(len(data), MAX_EXE[arch], arch)
            print(f"\n{arch}: corvane.exe {len(data)} bytes", file=sys.stderr)
            pe = PE(data)
            self.assertEqual(pe.machine, 0x14C if arch == "x86" else 0x8664)
            self.assertEqual(pe.timestamp, 0, arch)
            flags = pe.dll_characteristics
            self.assertTrue(flags & 0x0040, "ASLR")
            self.assertTrue(flags & 0x0100, "DEP")
            if arch == "x64":
                self.assertTrue(flags & 0x0020, "high-entropy ASLR")
            imports = pe.imports()
            self.assertLessEqual(set(imports), KNOWN_DLLS, arch)
            imported = {f for functions in imports.values() for f in functions}
            self.assertEqual(imported & late, set(), arch)
            # Icons, cursor, picture and version; no manifest resource (type 24).
            types = pe.resource_types()
            self.assertNotIn(24, types)
            self.assertTrue({1, 3, 10, 12, 14, 16} <= types, sorted(types))

    def test_shipped_exes_hold_no_test_seam(self):
        # The check finds the seams of a test build, stripped or not.
        test_exe = os.path.join(BUILD, "app", "corvane.exe")
        with open(test_exe, "rb") as f:
            self.assertLessEqual({"CORVANE_", "bind log", *SEAM_ENTRIES}, set(seams_in(f.read())))
        stripped = os.path.join(tempfile.mkdtemp(prefix="corvane-seams-"), "corvane.exe")
        self.addCleanup(shutil.rmtree, os.path.dirname(stripped), True)
        subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, test_exe], check=True)
        with open(stripped, "rb") as f:
            self.assertLessEqual({"CORVANE_", "bind log"}, set(seams_in(f.read())))
        for arch in ("x86", "x64"):
            with zipfile.ZipFile(self.zips()[arch]) as z:
                self.assertEqual(seams_in(z.read("corvane.exe")), [], arch)

    def test_manifest_selects_common_controls_asks_for_admin_and_knows_dpi(self):
        for arch, proc in (("x86", "x86"), ("x64", "amd64")):
            with zipfile.ZipFile(self.zips()[arch]) as z:
                root = ET.fromstring(z.read("corvane.exe.manifest"))
            self.assertEqual(root.tag, ASM_V1 + "assembly")
            self.assertEqual([c.tag for c in root], [ASM_V1 + "assemblyIdentity", ASM_V1 + "description",
                                                     ASM_V1 + "dependency", ASM_V3 + "trustInfo",
                                                     COMPAT + "compatibility", ASM_V3 + "application"])
            identity = root.find(ASM_V1 + "assemblyIdentity")
            self.assertEqual(identity.get("version"), self.version + ".0")
            self.assertEqual(identity.get("processorArchitecture"), proc)
            controls = root.find(f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")
            self.assertEqual(controls.get("name"), "Microsoft.Windows.Common-Controls")
            self.assertEqual(controls.get("version"), "6.0.0.0")
            self.assertEqual(controls.get("publicKeyToken"), "6595b64144ccf1df")
            level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                              f"{ASM_V3}requestedExecutionLevel")
            self.assertEqual((level.get("level"), level.get("uiAccess")), ("requireAdministrator", "false"))
            oses = [e.get("Id") for e in root.iter(COMPAT + "supportedOS")]
            self.assertEqual(len(oses), 5)
            self.assertIn("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", oses)  # Windows 10 and 11
            settings = root.find(f"{ASM_V3}application/{ASM_V3}windowsSettings")
            self.assertEqual(settings.find(WS2005 + "dpiAware").text, "true/pm")
            self.assertEqual(settings.find(WS2016 + "dpiAwareness").text, "PerMonitorV2, PerMonitor")

    def test_version_record_reads_back_through_windows(self):
        prefix = e2e.Prefix(BUILD, name="wineprefix-dist")
        driver = os.path.join(BUILD, "tests", "e2e", "driver.exe")
        for arch in ("x86", "x64"):
            folder = self.unpacked(arch)
            r = prefix.wine([driver, "version", e2e.windows_path(os.path.join(folder, "corvane.exe"))], quiet=True)
            self.assertEqual(r.returncode, 0, arch)
            lines = r.stdout.decode("utf-8").splitlines()
            v = self.version
            self.assertIn(f"fixed\tfile={v}.0\tproduct={v}.0", lines)
            for line in (f"string\tProductName=Corvane", f"string\tProductVersion={v}", f"string\tFileVersion={v}",
                         "string\tFileDescription=Corvane - re-registers the data-access components",
                         "string\tLegalCopyright=Copyright (C) 2026 Hollisk",
                         "string\tOriginalFilename=corvane.exe"):
                self.assertIn(line, lines)

    def test_x64_exe_starts_with_its_manifest_and_closes_cleanly(self):
        folder = self.unpacked("x64")
        prefix = e2e.Prefix(BUILD, name="wineprefix-dist")
        program = e2e.Program(prefix, {"WINEDEBUG": "-all,err+actctx,fixme+actctx,warn+actctx"},
                              exe=os.path.join(folder, "corvane.exe"))
        self.addCleanup(program.kill)
        snap = program.wait_window()
        self.assertEqual(snap.window.text, e2e.CAPTION)
        took, _ = program.close()
        self.assertIsNotNone(took)
        self.assertEqual(program.process.returncode, 0)
        with open(program.trace, encoding="utf-8", errors="replace") as f:
            complaints = [line for line in f if "actctx" in line]
        self.assertEqual(complaints, [])


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable] + sys.argv)
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
