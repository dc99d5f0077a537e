#!/usr/bin/env python3
"""The setup exe end to end under Wine, in a fresh 64-bit prefix of its own.

Usage: setup_test.py SETUP_EXE VERSION WORK_DIR

`setup.exe /S` must install the files into Program Files\\Ostrel, write the
two Explorer keys pointing at the installed Ostrel.exe, the Start menu
shortcut, the Programs and Features key with the version and the folder on
the system PATH; the installed console program must then run from a new
console by its name alone. Installing again must leave one Programs and
Features entry and one PATH entry. `uninstall.exe /S` must take all of it
away and leave other programs' PATH entries, placed beside ours, as they
were; that PATH is longer than an NSIS string, so it must be edited whole.

The shipped setup is a 32-bit exe. Where this machine cannot run 32-bit code,
the same script is built as a 64-bit setup from the same distribution folder
(makensis's amd64-unicode target) and that one is run; the test says so.
The prefix is WORK_DIR/wineprefix, made anew on every run, so the shared test
prefix never sees an installation.
"""
import os
import re
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SETUP, VERSION, WORK = Path(sys.argv[1]).resolve(), sys.argv[2], Path(sys.argv[3]).resolve()
WINE64 = "/usr/lib/wine/wine64"
INSTALL_DIR = "C:\\Program Files\\Ostrel"
INSTALLED_FILES = ["Ostrel.exe", "Ostrel64.exe", "ostrel-cli.exe", "ostrel-cli64.exe", "README.txt", "uninstall.exe"]
ENTRY_KEYS = ["HKCR\\*\\shell\\用Ostrel 查看\\command", "HKCR\\Directory\\shell\\用Ostrel 查看\\command"]
ENTRY_VALUE = '"' + INSTALL_DIR + '\\Ostrel.exe" "%1"'
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
ENVIRONMENT_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"
OTHER_ENTRY = "C:\\Other Tool\\bin"
# Other programs' entries, which make the PATH longer than the 1023
# characters an NSIS string holds, as on many machines: it must be edited
# whole. (Wine gives a new process only the first 1023 or so characters of
# a longer PATH, so the console program is run by its name before they are
# added.)
OTHER_ENTRIES = ";".join(f"C:\\Tools\\Another Tool {n:02}\\bin" for n in range(60))
PREFIX = WORK / "wineprefix"
DRIVE_C = PREFIX / "drive_c"
SHORTCUT = DRIVE_C / "ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrel.lnk"
# Where the kernel runs 32-bit code and 32-bit Wine is there.
RUNS_32_BIT = subprocess.run(["/usr/lib/wine/wineserver32", "--version"], capture_output=True).returncode == 0 \
    if os.access("/usr/lib/wine/wineserver32", os.X_OK) else False

ENV = dict(os.environ, WINEPREFIX=str(PREFIX), WINEARCH="win64", WINELOADER=WINE64, WINEDEBUG="-all",
           LC_ALL="zh_CN.UTF-8", LANG="zh_CN.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")
# The silent setup and the registry tools need no display.
ENV.pop("DISPLAY", None)


def run(args, timeout=300):
    return subprocess.run([str(a) for a in args], env=ENV, capture_output=True, timeout=timeout)


def wine(*args, timeout=300):
    """The exit code, and standard output then error as one text."""
    result = run([WINE64, *args], timeout=timeout)
    # Wine's console programs write to a pipe in the ANSI code page, 936 here.
    return result.returncode, (result.stdout + result.stderr).decode("gbk", errors="replace")


def wait_for_wine():
    # The uninstaller runs on from a copy of itself in the temp folder, and
    # the registry is written back when the server goes idle: wait for both.
    run(["wineserver", "-w"])


def values(key, view="64"):
    """The values of `key` as {name: data}; None when the key is not there."""
    code, out = wine("reg", "query", key, "/reg:" + view)
    if code != 0:
        return None
    found = {}
    for line in out.splitlines():
        match = re.match(r"^ {4}(.*?) {4}(REG_\w+) {4}(.*)$", line)
        if match:
            found[match.group(1)] = match.group(3)
        elif re.match(r"^ {4}(.*?) {4}(REG_\w+)$", line):
            found[line.split("    ")[1]] = ""
    return found


def default_value(key):
    found = values(key)
    if found is None:
        return None
    # "(默认)" or "(Default)", whichever language reg speaks.
    defaults = [data for name, data in found.items() if name.startswith("(")]
    return defaults[0] if defaults else None


def system_path():
    # Value names are compared without letter case ("PATH", "Path").
    return next(data for name, data in values(ENVIRONMENT_KEY).items() if name.lower() == "path")


def set_system_path(path):
    code, out = wine("reg", "add", ENVIRONMENT_KEY, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", path, "/f")
    assert code == 0, out


def path_entries():
    return [entry for entry in system_path().split(";")]


def ostrel_uninstall_entries():
    """Programs and Features entries named Ostrel, in both registry views."""
    count = 0
    for view in ("64", "32"):
        code, out = wine("reg", "query", UNINSTALL_KEY, "/reg:" + view)
        if code != 0:
            continue
        for line in out.splitlines():
            if line.startswith("HKEY_") and line.strip().lower() != ("HKEY_LOCAL_MACHINE" + UNINSTALL_KEY[4:]).lower():
                found = values(line.strip(), view) or {}
                if found.get("DisplayName") == "Ostrel":
                    count += 1
    return count


def installed(name):
    return DRIVE_C / "Program Files" / "Ostrel" / name


class Setup(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not SETUP.is_file():
            raise unittest.SkipTest(f"no {SETUP}; tools/package writes it")
        WORK.mkdir(parents=True, exist_ok=True)
        if PREFIX.exists():
            run(["wineserver", "-k"])
            shutil.rmtree(PREFIX)
        cls.setup = SETUP
        if not RUNS_32_BIT:
            # The same script and files, as a 64-bit setup.
            cls.setup = WORK / SETUP.name.replace("-setup.exe", "-setup64.exe")
            dist = SETUP.parent / SETUP.name[: -len("-setup.exe")]
            print("this machine runs no 32-bit code: testing the script built as a 64-bit setup", file=sys.stderr)
            built = subprocess.run(["makensis", "-V2", "-XTarget amd64-unicode", f"-DVERSION={VERSION}",
                                    f"-DDIST={dist}", f"-DOUTFILE={cls.setup}", str(ROOT / "packaging/ostrel.nsi")],
                                   capture_output=True)
            assert built.returncode == 0, built.stdout.decode() + built.stderr.decode()
        run([WINE64, "wineboot", "-i"], timeout=600)
        wait_for_wine()
        cls.path_before = system_path()

    @classmethod
    def tearDownClass(cls):
        run(["wineserver", "-k"])

    def install(self):
        code, out = wine(self.setup, "/S")
        wait_for_wine()
        self.assertEqual(code, 0, out)

    def assert_installed(self):
        for name in INSTALLED_FILES:
            self.assertTrue(installed(name).is_file(), name)
        self.assertEqual(installed("Ostrel.exe").read_bytes(), (SETUP.parent / SETUP.name[: -len("-setup.exe")] / "Ostrel.exe").read_bytes())
        for key in ENTRY_KEYS:
            self.assertEqual(default_value(key), ENTRY_VALUE, key)
        self.assertTrue(SHORTCUT.is_file())
        entry = values(UNINSTALL_KEY + "\\Ostrel")
        self.assertIsNotNone(entry)
        self.assertEqual(entry.get("DisplayName"), "Ostrel")
        self.assertEqual(entry.get("DisplayVersion"), VERSION)
        self.assertEqual(entry.get("QuietUninstallString"), f'"{INSTALL_DIR}\\uninstall.exe" /S')
        self.assertEqual(ostrel_uninstall_entries(), 1)
        self.assertEqual([e.lower() for e in path_entries()].count(INSTALL_DIR.lower()), 1, system_path())

    def test_install_again_and_uninstall(self):
        self.install()
        self.assert_installed()

        # A new console finds the console program by its name (the PATH).
        cli = "ostrel-cli" if RUNS_32_BIT else "ostrel-cli64"
        code, out = wine("cmd", "/c", cli, "--help")
        self.assertEqual(code, 0, out)
        self.assertIn("ostrel-cli", out)

        # Ours is appended to the PATH as it was; other programs then add
        # their entries after ours.
        self.assertEqual(system_path(), self.path_before + ";" + INSTALL_DIR)
        others = OTHER_ENTRY + ";" + OTHER_ENTRIES
        set_system_path(system_path() + ";" + others)

        # Installing again takes ours out and appends it again, once.
        self.install()
        self.assert_installed()
        self.assertEqual(system_path(), self.path_before + ";" + others + ";" + INSTALL_DIR)

        code, out = wine(installed("uninstall.exe"), "/S")
        wait_for_wine()
        self.assertEqual(code, 0, out)
        self.assertFalse(installed("").exists(), list(installed("").iterdir()) if installed("").exists() else None)
        for key in ENTRY_KEYS:
            self.assertIsNone(values(key.rsplit("\\", 1)[0]), key)
        self.assertFalse(SHORTCUT.exists())
        self.assertIsNone(values(UNINSTALL_KEY + "\\Ostrel"))
        self.assertEqual(ostrel_uninstall_entries(), 0)
        self.assertEqual(system_path(), self.path_before + ";" + others)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
