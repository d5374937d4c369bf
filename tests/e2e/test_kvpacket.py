"""The package: the builder's payload and archives, and the launcher run under Wine from a package
(requirements, single instance, unpacking, the start configuration and the start of the program)."""
import struct
import subprocess

import pytest

from conftest import BIN, DIST, PREFIX, REG_VIEW, reg_delete, run_win, start_win, windows_version, winpath
from kvpacket_support import (ENTRY_ORDER, SIGNATURES, build_package, client_folder, config_text, entry_data,
                              folder_names, low_byte, payload_entries, temp_folder)
from test_kvscan_startup import audit_registry, wait_for  # the KVScan runs leave the same registry values

BROWSER_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE"
DRIVE_C = PREFIX / "drive_c"
UNPACKED = ["KVCripto.dll", "KVEReport.dll", "KVLog.dll", "KVNTUtils.dll", "KVScan.exe", "KVScan.ini",
            "lyturar.dll", "qel.sig"]


def messages(kvlog, module):
    return [r[6] for r in kvlog.records() if len(r) == 7 and r[3] == module]


def kvscan_ended(kvlog):
    return lambda: any(m.startswith("Exiting with return value") for m in messages(kvlog, "KvScan"))


@pytest.fixture
def package(tmp_path):
    return build_package(tmp_path, client_folder(tmp_path / "client"))


# --- the builder ---------------------------------------------------------------------------------

def test_builder_writes_the_five_entries_and_bsdtar_reads_its_archives(tmp_path, package):
    assert [e[0] for e in payload_entries(package)] == ENTRY_ORDER
    end = payload_entries(package)[-1]
    assert end[1] + end[2] == package.stat().st_size, "nothing after the last entry"
    assert entry_data(package, "lyturar.dll") == (DIST / "lyturar.dll").read_bytes()

    config = entry_data(package, "KVScan.ini")
    marker, version, plain_length = struct.unpack_from("<III", config)
    assert (marker, version, plain_length) == (0x4356CB9B, 1, len(config_text().encode()))
    assert config_text().encode() not in config

    expected = {"modules.rar": {"KVNTUtils.dll": DIST / "KVNTUtils.dll"},
                "core.rar": {n: DIST / n for n in ["KVScan.exe", "KVLog.dll", "KVCripto.dll", "KVEReport.dll"]},
                "qel.zip": {"qel.sig": None}}
    for archive, files in expected.items():
        path = tmp_path / archive
        path.write_bytes(entry_data(package, archive))
        listed = subprocess.run(["bsdtar", "-tf", str(path)], capture_output=True, text=True)
        assert listed.returncode == 0, listed.stderr
        assert sorted(listed.stdout.split()) == sorted(files)
        out = tmp_path / (archive + ".out")
        out.mkdir()
        extracted = subprocess.run(["bsdtar", "-xf", str(path), "-C", str(out)], capture_output=True, text=True)
        assert extracted.returncode == 0, extracted.stderr
        for name, source in files.items():
            assert (out / name).read_bytes() == (source.read_bytes() if source else SIGNATURES), name


def test_builder_refuses_a_launcher_with_bytes_after_its_image(tmp_path):
    launcher = tmp_path / "KVPacket.exe"
    launcher.write_bytes((DIST / "KVPacket.exe").read_bytes() + b"an earlier payload")
    config = tmp_path / "plain.ini"
    config.write_text(config_text())
    client = client_folder(tmp_path / "client")
    result = run_win(BIN / "kvpack.exe", winpath(launcher), winpath(client), winpath(config), winpath(tmp_path / "p.exe"))
    assert result.returncode == 1
    assert "differs from the end of its last section" in result.stderr
    assert not (tmp_path / "p.exe").exists()


def test_builder_takes_the_signature_file_given_on_its_command_line(tmp_path):
    client = client_folder(tmp_path / "client")
    (client / "qel.sig").unlink()
    signature = tmp_path / "other.sig"
    signature.write_bytes(b"signatures given apart")
    config = tmp_path / "plain.ini"
    config.write_text(config_text())
    package = tmp_path / "p.exe"
    result = run_win(BIN / "kvpack.exe", "--sig", winpath(signature), winpath(DIST / "KVPacket.exe"), winpath(client),
                     winpath(config), winpath(package))
    assert result.returncode == 0, result.stderr
    archive = tmp_path / "qel.zip"
    archive.write_bytes(entry_data(package, "qel.zip"))
    listed = subprocess.run(["bsdtar", "-xOf", str(archive), "qel.sig"], capture_output=True)
    assert listed.returncode == 0 and listed.stdout == b"signatures given apart"


@pytest.mark.parametrize("drop,missing", [("lyturar.dll", "lyturar.dll"), ("qel.sig", "qel.sig")])
def test_builder_refuses_a_client_folder_without_what_the_launcher_needs(tmp_path, drop, missing):
    client = client_folder(tmp_path / "client")
    (client / drop).unlink()
    config = tmp_path / "plain.ini"
    config.write_text(config_text())
    result = run_win(BIN / "kvpack.exe", winpath(DIST / "KVPacket.exe"), winpath(client), winpath(config),
                     winpath(tmp_path / "p.exe"))
    assert result.returncode == 1 and missing in result.stderr


# --- the launcher ----------------------------------------------------------------------------------

def test_normal_run_starts_kvscan_in_the_work_folder_below_a_temp_path_with_blanks(
        tmp_path, package, temp_folder, kvlog, audit_registry):
    result = run_win(package)
    assert result.returncode == 0
    work = temp_folder / "KVScan"
    wait_for(kvscan_ended(kvlog), "KVScan to end")
    assert f"KvScan starting from directory: [{winpath(work)}]." in messages(kvlog, "KvScan")
    launcher = messages(kvlog, "KVPacket")
    assert f"Creating process {winpath(work)}\\KVScan.exe" in launcher
    assert f"Process {winpath(work)}\\KVScan.exe created." in launcher
    names = folder_names(work)
    assert set(UNPACKED) <= set(names), names
    assert not [n for n in names if n.endswith((".rar", ".zip"))], "the archives are deleted once unpacked"
    assert (work / "qel.sig").read_bytes() == SIGNATURES
    assert (work / "KVScan.exe").read_bytes() == (DIST / "KVScan.exe").read_bytes()


def test_main_process_is_started_by_full_path_with_a_quoted_command_line(tmp_path, temp_folder, kvlog):
    client = client_folder(tmp_path / "client", extra=[BIN / "kvprobe.exe"])
    package = build_package(tmp_path, client, main_process="kvprobe.exe")
    assert run_win(package).returncode == 0
    work = temp_folder / "KVScan"
    probe = work / "probe.txt"
    wait_for(probe.exists, "the probe to run")
    command_line, current = probe.read_text("utf-16-le").splitlines()[:2]
    assert command_line == f'"{winpath(work)}\\kvprobe.exe"'
    assert current.lower() == winpath(work).lower()
    assert not messages(kvlog, "KvScan"), "KVScan was not started"


def test_unpack_only_unpacks_and_starts_nothing(tmp_path, package, kvlog):
    target = tmp_path / "unpack here"
    assert run_win(package, f"/unpack:{winpath(target)}").returncode == 0
    assert folder_names(target) == UNPACKED
    assert not any(m.startswith("Creating process") for m in messages(kvlog, "KVPacket"))
    assert not messages(kvlog, "KvScan")


@pytest.mark.parametrize("argument", ["/unpack:", "/unpack:C:\\", "/unpack:C:", "/unpack:C:\\windows",
                                      "/unpack:C:\\windows\\system32\\", "/unpack:C:\\windows\\temp\\.."])
def test_unpack_into_a_root_or_system_folder_is_refused(package, argument):
    result = run_win(package, argument)
    assert result.returncode == low_byte(7000)
    for folder in (DRIVE_C, DRIVE_C / "windows", DRIVE_C / "windows" / "system32"):
        assert not (folder / "KVScan.ini").exists()


def test_a_held_instance_mutex_gives_7000_and_leaves_the_work_folder_alone(tmp_path, package, temp_folder):
    work = temp_folder / "KVScan"
    work.mkdir()
    (work / "earlier.txt").write_text("left by someone else")
    ready, stop = tmp_path / "ready", tmp_path / "stop"
    holder = start_win(BIN / "kvprobe.exe", "hold", "Global\\OrvaneKvScanOnlyOneInstance", winpath(ready),
                       winpath(stop))
    try:
        wait_for(ready.exists, "the mutex to be held")
        assert run_win(package).returncode == low_byte(7000)
    finally:
        stop.write_text("")
        holder.wait(timeout=30)
    assert folder_names(work) == ["earlier.txt"]


def corrupt_core(package):
    """Flips a byte in the data of the last file of core.rar: its CRC no longer matches."""
    name, offset, size = [e for e in payload_entries(package) if e[0] == "core.rar"][0]
    data = bytearray(package.read_bytes())
    data[offset + size - 100] ^= 0x55
    package.write_bytes(bytes(data))


def test_a_bad_archive_gives_7003_and_removes_the_folder_this_run_made(tmp_path, package, temp_folder, kvlog):
    corrupt_core(package)
    assert run_win(package).returncode == low_byte(7003)
    assert not (temp_folder / "KVScan").exists()
    assert folder_names(temp_folder) == []
    assert not messages(kvlog, "KvScan")


def test_an_entry_that_cannot_be_written_fails_like_a_bad_archive(tmp_path, package, temp_folder, kvlog):
    name = "..\\outside.txt".encode("utf-16-le")
    header = struct.pack("<II", 0xB01D1614, 4) + name + b"\0" * (520 - len(name))
    package.write_bytes(package.read_bytes() + header + b"data")
    assert run_win(package).returncode == low_byte(7003)
    assert folder_names(temp_folder) == []
    assert not messages(kvlog, "KvScan")


def test_a_bad_archive_leaves_what_was_in_an_existing_folder(tmp_path, package):
    corrupt_core(package)
    target = tmp_path / "existing"
    target.mkdir()
    (target / "mine.txt").write_text("stays")
    (target / "sub").mkdir()
    assert run_win(package, f"/unpack:{winpath(target)}").returncode == low_byte(7003)
    assert folder_names(target) == ["mine.txt", "sub"]


def test_without_kvcripto_the_launcher_ends_with_7005(tmp_path, temp_folder, kvlog):
    package = build_package(tmp_path, client_folder(tmp_path / "client", drop=["KVCripto.dll"]))
    assert run_win(package).returncode == low_byte(7005)
    assert "An error occurred loading the file: KVCripto.dll" in messages(kvlog, "KVPacket")
    assert not messages(kvlog, "KvScan")


def test_kvcripto_lacking_a_function_gives_7006(tmp_path, temp_folder, kvlog):
    partial = BIN / "partial-cripto" / "KVCripto.dll"
    package = build_package(tmp_path, client_folder(tmp_path / "client", replace={"KVCripto.dll": partial}))
    assert run_win(package).returncode == low_byte(7006)
    assert "An error occurred getting pointer to: KV_DecryptBuffer in KVCripto.dll" in messages(kvlog, "KVPacket")


def test_without_kvscan_the_launcher_ends_with_7004(tmp_path, temp_folder, kvlog):
    package = build_package(tmp_path, client_folder(tmp_path / "client", drop=["KVScan.exe"]))
    assert run_win(package).returncode == low_byte(7004)
    work = winpath(temp_folder / "KVScan")
    assert f"An error occurred running the file: {work}\\KVScan.exe. Windows error: 2" in messages(kvlog, "KVPacket")


@pytest.fixture
def browser_key_removed(tmp_path):
    saved = tmp_path / "browser.reg"
    exported = run_win("reg.exe", "export", BROWSER_KEY, winpath(saved), "/y", REG_VIEW)
    assert exported.returncode == 0, exported.stdout + exported.stderr
    reg_delete(BROWSER_KEY)
    yield
    run_win("reg.exe", "import", winpath(saved), REG_VIEW)


def test_without_the_browser_key_the_requirements_fail_with_5(package, temp_folder, browser_key_removed):
    assert run_win(package).returncode == 5
    assert folder_names(temp_folder) == [], "nothing is unpacked"


def test_kvscan_started_on_windows_98_fails_the_operating_system_requirement(
        package, temp_folder, kvlog, audit_registry):
    with windows_version("KVScan.exe", "win98"):
        assert run_win(package).returncode == 0
        wait_for(kvscan_ended(kvlog), "KVScan to end")
    logged = messages(kvlog, "KvScan")
    assert "9x/NT4 OS detected. Not supported OS." in logged
    assert "System doesn't meet the minimum requirements to execute the application." in logged
    assert "Exiting with return value 5" in logged
