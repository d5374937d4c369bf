"""Shared helpers for the end-to-end tests: they drive the real Windows programs under Wine.

The tests run inside tools/sandbox.sh: a private network namespace with the project's Wine prefix
and one wineserver for the whole run.
"""
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KV_BUILD_DIR", ROOT / "build"))
DIST = BUILD / "dist"
BIN = BUILD / "bin"
PREFIX = pathlib.Path(os.environ.get("WINEPREFIX", BUILD / "wineprefix"))


def winpath(path):
    """The Windows form of a host path (drive Z: is the host's root)."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def run_win(program, *args, cwd=None, timeout=120):
    """Runs a Windows program under Wine and returns the completed process."""
    return subprocess.run([str(BUILD / "wine-run"), str(program), *map(str, args)], cwd=cwd, timeout=timeout,
                          capture_output=True, text=True, errors="replace")


def start_win(program, *args, cwd=None):
    return subprocess.Popen([str(BUILD / "wine-run"), str(program), *map(str, args)], cwd=cwd,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, errors="replace")


class KVLogFile:
    """The stand-in log shared by all programs; tests read what was appended since they began."""

    path = PREFIX / "drive_c" / "ProgramData" / "KVLog" / "KVLog.log"

    def __init__(self):
        self.start = self.path.stat().st_size if self.path.exists() else 0

    def lines(self):
        if not self.path.exists():
            return []
        with open(self.path, "rb") as f:
            f.seek(self.start)
            text = f.read().decode("cp1252", errors="replace")
        return text.split("\r\n")[:-1] if text else []

    def records(self):
        """(time, pid, tid, module, source, line, message) per line."""
        return [tuple(line.split("\t", 6)) for line in self.lines()]


@pytest.fixture
def kvlog():
    return KVLogFile()
