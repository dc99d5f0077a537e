#!/usr/bin/env python3
"""ostrel-cli under Wine, as a script runs it.

Usage: console_program_test.py ARCH BIN_DIR CLI_EXE_NAME

A file_holder.exe holds two files open, one of them with a name code page
936 cannot hold (Hangul and an emoji), and keeps a copy of held_module.dll
loaded; ostrel-cli is asked about those files, about their folder, about a
file nobody holds (also the look-alike of the exotic name, which narrowing
would make equal to it) and with bad arguments. Every program runs with no
X display (tools/wine-run --no-display) and its output through pipes, so the
console program's redirected output (UTF-8, no byte-order mark) is what is
read.
"""
import json
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE_RUN = str(ROOT / "tools" / "wine-run")
ARCH, BIN, CLI = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
FIELDS = {"kind", "pid", "process", "processPath", "handle", "module", "path"}
# Held, and its look-alike nobody holds: both read "??? 報告 ??.txt" in code page 936.
EXOTIC = "한국어 報告 😀.txt"
LOOK_ALIKE = "한국어 報告 😁.txt"


def wine(args):
    return [WINE_RUN, ARCH, "--no-display", *map(str, args)]


class ConsoleProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="cli-test-", dir=BIN.parent))
        for free in ("free.txt", LOOK_ALIKE):
            (cls.work / free).write_bytes(b"nobody holds this")
        shutil.copy(BIN / "held_module.dll", cls.work / "held_module.dll")
        folder = subprocess.run(wine(["winepath", "-w", cls.work]), capture_output=True, timeout=120)
        cls.folder = folder.stdout.decode().strip()
        cls.held_path = cls.folder + "\\held.txt"
        cls.exotic_path = cls.folder + "\\" + EXOTIC
        cls.module_path = cls.folder + "\\held_module.dll"
        cls.holder = subprocess.Popen(
            wine([BIN / "file_holder.exe", "--load", cls.module_path, "held.txt", EXOTIC]),
            cwd=cls.work, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        handles = []
        cls.pid = None
        ready = False
        for line in cls.holder.stdout:
            word, _, rest = line.decode(errors="replace").strip().partition(" ")
            if word == "HANDLE":
                handles.append(int(rest.split(" ")[0], 16))
            elif word == "PID":
                cls.pid = int(rest)
            elif word in ("READY", "FAILED"):
                ready = word == "READY"
                break
        if not ready or len(handles) != 2 or cls.pid is None:
            cls.tearDownClass()
            raise RuntimeError("file_holder.exe did not hold the files")
        cls.handle, cls.exotic_handle = handles

    @classmethod
    def tearDownClass(cls):
        cls.holder.stdin.close()
        try:
            cls.holder.wait(timeout=60)
        except subprocess.TimeoutExpired:
            cls.holder.kill()
            cls.holder.wait()
        shutil.rmtree(cls.work, ignore_errors=True)

    def cli(self, *args):
        done = subprocess.run(wine([BIN / CLI, *args]), cwd=self.work, capture_output=True, timeout=120)
        return done.returncode, done.stdout, done.stderr

    def test_a_held_file_lists_its_holder_and_exits_0(self):
        code, out, _ = self.cli("held.txt")
        self.assertEqual(code, 0)
        self.assertFalse(out.startswith(b"\xef\xbb\xbf"), "no byte-order mark")
        rows = [line.split("\t") for line in out.decode("utf-8").splitlines()]
        self.assertTrue(rows and all(len(row) == 4 for row in rows), out)
        self.assertIn([str(self.pid), "file_holder.exe", "0x%x" % self.handle, self.held_path], rows)

    def test_json_of_the_folder_has_the_handle_and_the_module(self):
        code, out, _ = self.cli("--json", self.folder)
        self.assertEqual(code, 0)
        holders = json.loads(out.decode("utf-8"))
        self.assertIsInstance(holders, list)
        for holder in holders:
            self.assertEqual(set(holder), FIELDS)
        mine = [h for h in holders if h["pid"] == self.pid]
        for holder in mine:
            self.assertEqual(holder["process"], "file_holder.exe")
            self.assertTrue(holder["processPath"].lower().endswith("\\file_holder.exe"), holder)
        for holder in mine:
            self.assertEqual(holder["kind"], "module" if holder["module"] else "handle", holder)
        found = [(h["handle"], h["module"], h["path"]) for h in mine]
        for held in [(self.handle, False, self.held_path), (self.exotic_handle, False, self.exotic_path),
                     (None, True, self.module_path)]:
            self.assertIn(held, found)

    def test_json_carries_a_name_no_code_page_holds_exactly(self):
        code, out, _ = self.cli("--json", EXOTIC)
        self.assertEqual(code, 0)
        holders = json.loads(out.decode("utf-8"))
        self.assertEqual([(h["pid"], h["handle"], h["path"]) for h in holders],
                         [(self.pid, self.exotic_handle, self.exotic_path)])

    def test_a_free_file_exits_1_with_no_output(self):
        for free in ("free.txt", LOOK_ALIKE):
            with self.subTest(free=free):
                self.assertEqual(self.cli(free), (1, b"", b""))
                code, out, _ = self.cli("--json", free)
                self.assertEqual((code, json.loads(out.decode("utf-8"))), (1, []))

    def test_bad_arguments_exit_2_with_a_message_on_standard_error(self):
        for args, said in [(["--bogus"], "--bogus"), (["held.txt", "free.txt"], "free.txt"), ([""], "empty")]:
            with self.subTest(args=args):
                code, out, err = self.cli(*args)
                self.assertEqual((code, out), (2, b""))
                self.assertIn(said, err.decode("utf-8"))
        code, out, _ = self.cli("--help")
        self.assertEqual(code, 0)
        self.assertIn("Usage: ostrel-cli", out.decode("utf-8"))

    def test_version_is_the_one_of_the_file_version(self):
        version = (ROOT / "version").read_text().splitlines()[0].strip()
        self.assertEqual(self.cli("--version"), (0, ("ostrel-cli %s\r\n" % version).encode(), b""))

    def test_a_path_that_does_not_exist_exits_2_and_says_so(self):
        for missing in ("no-such.txt", "no-such-folder\\x.txt"):
            with self.subTest(missing=missing):
                code, out, err = self.cli(missing)
                self.assertEqual((code, out), (2, b""))
                self.assertIn("no such file or folder: %s\\%s" % (self.folder, missing), err.decode("utf-8"))

    def test_an_answer_that_cannot_be_written_exits_2_and_says_so(self):
        # A full disk: every write of the answer fails.
        with open("/dev/full", "wb") as full:
            done = subprocess.run(wine([BIN / CLI, "held.txt"]), cwd=self.work, stdout=full,
                                  stderr=subprocess.PIPE, timeout=120)
        self.assertEqual(done.returncode, 2)
        self.assertIn("the output could not be written", done.stderr.decode("utf-8"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
