#!/usr/bin/env python3
"""ostrel-cli in a real console window: a pseudo-terminal that tmux reads.

Usage: console_window_test.py ARCH BIN_DIR CLI_EXE_NAME

A file_holder.exe holds a file; ostrel-cli is started in a tmux pane (a
real terminal, so its standard handles are a console and it writes with
WriteConsoleW), once by itself and once from cmd.exe, a second program on
the same console, and its rows are read from the screen. Every wait polls
the screen for the state it needs, up to a deadline; none sleeps a fixed
time.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE_RUN = str(ROOT / "tools" / "wine-run")
ARCH, BIN, CLI = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
END = "OSTREL-CLI-EXIT="
# A row on the screen: the tabs are spaces there; the path is the rest.
ROW = re.compile(r"^(\d+)\s+(\S+)\s+(0x[0-9a-f]+|module)\s+(.+?)\s*$")
DEADLINE_S = 180


def wine(args):
    return [WINE_RUN, ARCH, "--no-display", *map(str, args)]


class ConsoleWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="cli-terminal-", dir=BIN.parent))
        cls.socket = "ostrel-cli-test-%d" % os.getpid()
        folder = subprocess.run(wine(["winepath", "-w", cls.work]), capture_output=True, timeout=120)
        cls.held_path = folder.stdout.decode().strip() + "\\held.txt"
        cls.holder = subprocess.Popen(wine([BIN / "file_holder.exe", "held.txt"]), cwd=cls.work,
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        cls.pid, cls.handle = None, None
        for line in cls.holder.stdout:
            word, _, rest = line.decode(errors="replace").strip().partition(" ")
            if word == "HANDLE":
                cls.handle = int(rest.split(" ")[0], 16)
            elif word == "PID":
                cls.pid = int(rest)
            elif word in ("READY", "FAILED"):
                break
        if cls.pid is None or cls.handle is None:
            cls.tearDownClass()
            raise RuntimeError("file_holder.exe did not hold the file")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["tmux", "-L", cls.socket, "kill-server"], capture_output=True)
        cls.holder.stdin.close()
        try:
            cls.holder.wait(timeout=60)
        except subprocess.TimeoutExpired:
            cls.holder.kill()
            cls.holder.wait()
        shutil.rmtree(cls.work, ignore_errors=True)

    def run_in_terminal(self, name, program):
        """Runs `program` (wine-run's arguments) in a new tmux pane and
        returns the screen once the program has ended, and its exit code."""
        command = "%s; echo %s$?; exec cat" % (shlex.join(wine(program)), END)
        subprocess.run(["tmux", "-L", self.socket, "new-session", "-d", "-s", name, "-x", "250", "-y", "60",
                        "-c", str(self.work), command], check=True, timeout=60)
        deadline = time.monotonic() + DEADLINE_S
        while True:
            screen = subprocess.run(["tmux", "-L", self.socket, "capture-pane", "-p", "-J", "-S", "-",
                                     "-t", name], capture_output=True, timeout=60).stdout.decode(errors="replace")
            ended = re.search(re.escape(END) + r"(\d+)", screen)
            if ended:
                subprocess.run(["tmux", "-L", self.socket, "kill-session", "-t", name], capture_output=True)
                return screen, int(ended.group(1))
            self.assertLess(time.monotonic(), deadline, "the program did not end:\n" + screen)
            time.sleep(0.2)  # the next look at the screen

    def assert_lists_the_holder(self, screen, code):
        self.assertEqual(code, 0, screen)
        self.assertNotIn("could not be written", screen)
        rows = [m.groups() for m in map(ROW.match, screen.splitlines()) if m]
        self.assertIn((str(self.pid), "file_holder.exe", "0x%x" % self.handle, self.held_path), rows, screen)

    def test_alone_in_a_terminal_it_lists_the_holder(self):
        self.assert_lists_the_holder(*self.run_in_terminal("alone", [BIN / CLI, "held.txt"]))

    def test_beside_another_console_program_it_lists_the_holder(self):
        # cmd.exe shares the console: its console connection is in the
        # handle table the search walks.
        self.assert_lists_the_holder(*self.run_in_terminal("cmd", ["cmd", "/c", BIN / CLI, "held.txt"]))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
