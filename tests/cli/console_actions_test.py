#!/usr/bin/env python3
"""ostrel-cli's actions under Wine, as a script runs them.

Usage: console_actions_test.py ARCH BIN_DIR CLI_EXE_NAME

Each test starts its own file_holder.exe on a file of its own, opened
without delete sharing, so that no Windows program can delete the file while
it is held; deleting is tried with Wine's own cmd.exe, the Linux side would
not be stopped by Windows sharing. The console program runs with no X
display and its output through pipes; its exit code and its lines tell what
happened, the holder and the file tell whether it is true.
"""
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE_RUN = str(ROOT / "tools" / "wine-run")
ARCH, BIN, CLI = sys.argv[1], Path(sys.argv[2]).resolve(), sys.argv[3]


def wine(args):
    return [WINE_RUN, ARCH, "--no-display", *map(str, args)]


class Holder:
    """A file_holder.exe holding one file of `work` without delete sharing."""

    def __init__(self, work, name, *options):
        self.process = subprocess.Popen(
            wine([BIN / "file_holder.exe", "--no-delete-share", *options, name]),
            cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.handle = self.pid = None
        for line in self.process.stdout:
            word, _, rest = line.decode(errors="replace").strip().partition(" ")
            if word == "HANDLE":
                self.handle = int(rest.split(" ")[0], 16)
            elif word == "PID":
                self.pid = int(rest)
            elif word in ("READY", "FAILED"):
                break
        if self.handle is None or self.pid is None:
            self.stop()
            raise RuntimeError("file_holder.exe did not hold " + name)

    def running(self):
        return self.process.poll() is None

    def stop(self):
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()


class ConsoleActions(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="cli-actions-", dir=BIN.parent))
        self.holders = []

    def tearDown(self):
        for holder in self.holders:
            holder.stop()
        shutil.rmtree(self.work, ignore_errors=True)

    def hold(self, name, *options):
        holder = Holder(self.work, name, *options)
        self.holders.append(holder)
        return holder

    def cli(self, *args, stdin=subprocess.DEVNULL):
        done = subprocess.run(wine([BIN / CLI, *args]), cwd=self.work, stdin=stdin, capture_output=True,
                              timeout=120)
        return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")

    def windows_delete(self, name):
        subprocess.run(wine(["cmd", "/c", "del", "/q", name]), cwd=self.work, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=120)
        return not (self.work / name).exists()

    def test_close_yes_frees_the_file_while_the_holder_runs(self):
        holder = self.hold("locked.txt")
        self.assertFalse(self.windows_delete("locked.txt"), "held without delete sharing: not deletable")
        code, out, err = self.cli("--close", "--yes", "locked.txt")
        self.assertEqual((code, out), (1, ""), err)
        self.assertIn("closed 1 handle in file_holder.exe (PID %d)" % holder.pid, err)
        self.assertTrue(holder.running())
        self.assertTrue(self.windows_delete("locked.txt"))
        self.assertTrue(holder.running())

    def test_close_from_a_pipe_without_yes_closes_nothing_and_exits_2(self):
        holder = self.hold("piped.txt")
        code, out, err = self.cli("--close", "piped.txt", stdin=subprocess.PIPE)
        self.assertEqual((code, out), (2, ""))
        self.assertIn("standard input is not a console", err)
        self.assertEqual(len(err.splitlines()), 1, err)
        code, out, _ = self.cli("piped.txt")
        self.assertEqual(code, 0)
        self.assertIn("%d\tfile_holder.exe\t0x%x\t" % (holder.pid, holder.handle), out)
        self.assertFalse(self.windows_delete("piped.txt"))

    def test_end_yes_ends_the_holder(self):
        holder = self.hold("ended.txt")
        code, out, err = self.cli("--end", "--yes", "--wait", "10", "ended.txt")
        self.assertEqual((code, out), (1, ""), err)
        self.assertIn("ended file_holder.exe (PID %d)" % holder.pid, err)
        holder.process.wait(timeout=60)
        self.assertTrue(self.windows_delete("ended.txt"))

    def test_wait_returns_once_the_holder_lets_go(self):
        self.hold("waited.txt", "--let-go-after", "2")
        started = time.monotonic()
        code, out, err = self.cli("--wait", "10", "waited.txt")
        took = time.monotonic() - started
        self.assertEqual((code, out), (1, ""), err)
        # Back when the holder let go, long before the 10 s are up.
        self.assertLess(took, 8, "--wait 10 took %.1f s" % took)

    def test_wait_reports_a_holder_that_stays(self):
        holder = self.hold("kept.txt")
        code, out, _ = self.cli("--wait", "1", "kept.txt")
        self.assertEqual(code, 0)
        self.assertIn("%d\tfile_holder.exe\t0x%x\t" % (holder.pid, holder.handle), out)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
