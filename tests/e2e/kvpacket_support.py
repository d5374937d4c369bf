"""Packages for the launcher's end-to-end tests: client folders, the builder run under Wine, the
payload read back from a package, and the temporary folder the launcher unpacks into."""
import pathlib
import shutil
import struct

import pytest

from conftest import BIN, DIST, run_win, winpath

PAYLOAD_MARKER = 0xB01D1614
HEADER_SIZE = 528
CLIENT = ["KVScan.exe", "KVLog.dll", "KVCripto.dll", "KVEReport.dll", "KVNTUtils.dll", "lyturar.dll"]
SIGNATURES = b"test signature file\r\n"
ENTRY_ORDER = ["modules.rar", "core.rar", "lyturar.dll", "qel.zip", "KVScan.ini"]


def config_text(main_process=None):
    lines = ["[KVSCAN_MAINCONFIG]", "AuditGUID={0badc0de-1111-2222-3333-444455556666}", "CheckAdmin=no"]
    if main_process:
        lines.append(f"MainProcess={main_process}")
    lines += ["", "[KVSCAN_SCANCONFIG]", "ShowProgress=no", ""]
    return "\r\n".join(lines)


def client_folder(path, drop=(), extra=(), replace=None):
    """The shipped client files (without those in drop), extra host files and qel.sig; replace maps
    a file name to a host file that takes its place."""
    path = pathlib.Path(path)
    path.mkdir(parents=True, exist_ok=True)
    for name in CLIENT:
        if name not in drop:
            shutil.copy((replace or {}).get(name, DIST / name), path / name)
    for extra_file in extra:
        shutil.copy(extra_file, path / pathlib.Path(extra_file).name)
    (path / "qel.sig").write_bytes(SIGNATURES)
    return path


def build_package(tmp_path, client, main_process=None, name="package.exe"):
    config = tmp_path / "plain.ini"
    config.write_text(config_text(main_process), newline="")
    package = tmp_path / name
    result = run_win(BIN / "kvpack.exe", winpath(DIST / "KVPacket.exe"), winpath(client), winpath(config),
                     winpath(package))
    assert result.returncode == 0, result.stdout + result.stderr
    return package


def payload_entries(package):
    """[(name, offset of the data, size)] after the launcher's own image."""
    data = pathlib.Path(package).read_bytes()
    at = (DIST / "KVPacket.exe").stat().st_size
    entries = []
    while at + HEADER_SIZE <= len(data):
        marker, size = struct.unpack_from("<II", data, at)
        if marker != PAYLOAD_MARKER:
            break
        name = data[at + 8:at + HEADER_SIZE].decode("utf-16-le").split("\0", 1)[0]
        entries.append((name, at + HEADER_SIZE, size))
        at += HEADER_SIZE + size
    return entries


def entry_data(package, name):
    data = pathlib.Path(package).read_bytes()
    for entry, offset, size in payload_entries(package):
        if entry == name:
            return data[offset:offset + size]
    raise KeyError(name)


def low_byte(code):
    """A launcher exit code (7000...) as the host sees it."""
    return code & 0xFF


def folder_names(folder):
    folder = pathlib.Path(folder)
    return sorted(p.name for p in folder.iterdir()) if folder.exists() else None


ENVIRONMENT = "HKCU\\Environment"


@pytest.fixture
def temp_folder(tmp_path):
    """The temporary folder of the programs started from now on: a folder with blanks in its path
    (the user's TEMP and TMP, restored afterwards)."""
    folder = tmp_path / "Local Settings" / "Temp dir"
    folder.mkdir(parents=True)
    saved = {}
    for name in ("TEMP", "TMP"):
        query = run_win("reg.exe", "query", ENVIRONMENT, "/v", name)
        for line in query.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) == 3 and parts[0] == name:
                saved[name] = (parts[1], parts[2])
        assert run_win("reg.exe", "add", ENVIRONMENT, "/v", name, "/d", winpath(folder), "/f").returncode == 0
    yield folder
    for name in ("TEMP", "TMP"):
        if name in saved:
            run_win("reg.exe", "add", ENVIRONMENT, "/v", name, "/t", saved[name][0], "/d", saved[name][1], "/f")
        else:
            run_win("reg.exe", "delete", ENVIRONMENT, "/v", name, "/f")
