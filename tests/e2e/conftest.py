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


def _build_arch():
    """The architecture of the binaries under test, from the PE header of a shipped DLL."""
    import struct
    try:
        data = (DIST / "KVLog.dll").read_bytes()[:4096]
        machine = struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0]
    except (OSError, struct.error):
        return "i686"
    return "x86_64" if machine == 0x8664 else "i686"


ARCH = _build_arch()
# The registry view that the programs under test write to (a 32-bit program in a 64-bit prefix
# writes HKLM\Software into the 32-bit view).
REG_VIEW = "/reg:32" if ARCH == "i686" else "/reg:64"


def reg_query(key, value):
    """The data of a registry value as reg.exe prints it, or None when it does not exist."""
    result = run_win("reg.exe", "query", key, "/v", value, REG_VIEW)
    if result.returncode != 0:
        return None
    for line in result.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[0].lower() == value.lower() and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return None


def reg_set(key, value, data, kind="REG_SZ"):
    result = run_win("reg.exe", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f", REG_VIEW)
    assert result.returncode == 0, result.stdout + result.stderr


def reg_delete(key, value=None):
    args = ["reg.exe", "delete", key] + (["/v", value] if value else []) + ["/f", REG_VIEW]
    run_win(*args)


class windows_version:
    """Makes Wine report another Windows version to one program (by its executable name):
    win98, nt40, win2k, winxp, winxp64, win2003, vista, win7."""

    KEY = "HKCU\\Software\\Wine\\AppDefaults\\{}"

    def __init__(self, exe_name, version):
        self.key, self.version = self.KEY.format(exe_name), version

    def __enter__(self):
        result = run_win("reg.exe", "add", self.key, "/v", "Version", "/d", self.version, "/f")
        assert result.returncode == 0, result.stdout + result.stderr
        return self

    def __exit__(self, *exc):
        run_win("reg.exe", "delete", self.key, "/f")


def program_folder(target, names, extra=()):
    """Copies shipped binaries (by file name) and extra host files into target, like a work folder."""
    import shutil
    target = pathlib.Path(target)
    target.mkdir(parents=True, exist_ok=True)
    for name in names:
        shutil.copy(DIST / name, target / name)
    for path in extra:
        shutil.copy(path, target / pathlib.Path(path).name)
    return target
