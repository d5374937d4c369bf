"""One audit from a package under Wine: the work thread's guard against interruption (Run value
"KVScanner", "Tries" per audit), the chain of configured programs, the documents of the analysis, the
resend entry and the end statuses."""
import pathlib
import shutil

import pytest

from conftest import BIN, DIST, KVLogFile, reg_delete, reg_query, reg_set, run_win, start_win, winpath
from kvpacket_support import temp_folder  # noqa: F401 (fixture)
from test_kvscan_startup import messages, wait_for
from test_result_documents import documents

AUDIT = "{0badc0de-1111-2222-3333-444455556666}"
OTHER_AUDIT = "{feedface-9999-8888-7777-666655554444}"
APPREF = "3300020003000004ABCDEF0123456789"
RUN_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
TESSALY = "HKLM\\SOFTWARE\\Orvane Software\\Tessaly"
SETUPEX = "HKLM\\Software\\Orvane Software\\SetupEx\\UIDS"
FINAL_REPORT = "{00000000-0000-0000-0000-000000000000}.xml"
AUDIT_VALUES = [(RUN_KEY, "KVScanner"), (RUN_KEY, "KVClean"), (TESSALY, "Tries"), (TESSALY, "TriesAuditGUID"),
                (TESSALY, "LASTAUID"), (SETUPEX, "LASTAUID")]


@pytest.fixture
def audit_registry():
    """No audit values of an earlier run, before and after the test."""
    def clear():
        for key, value in AUDIT_VALUES:
            reg_delete(key, value)
    clear()
    yield
    clear()


def registry_left():
    return {value: reg_query(key, value) for key, value in AUDIT_VALUES if reg_query(key, value) is not None}


def config_text(data, processes, audit=AUDIT, main=()):
    """main: further lines of KVSCAN_MAINCONFIG (a destination, a proxy)."""
    lines = ["[KVSCAN_MAINCONFIG]", f"AuditGUID={audit}", f"AppRefVersion={APPREF}", "CheckAdmin=no", *main, "",
             "[KVSCAN_SCANCONFIG]", "ShowProgress=no", "MemoryAnalysis=no", "AllDiskAnalysis=no",
             "OutlookAnalysis=no", "OEAnalysis=no", f"PathAnalysis={winpath(data)}", "", "[KVSCAN_PROCESS]"]
    for number, (command, params, wait) in enumerate(processes, start=1):
        lines += [f"Command{number}={command}", f"Params{number}={params}", f"Wait{number}={wait}"]
    return "\r\n".join(lines + [""])


def package_for(tmp_path, processes, audit=AUDIT, main=()):
    """A package of every shipped client file, the sleeper and the real signature file."""
    client = tmp_path / "client"
    client.mkdir()
    for path in DIST.iterdir():
        if path.is_file() and path.name != "KVPacket.exe":
            shutil.copy(path, client / path.name)
    shutil.copy(BIN / "sleeper.exe", client / "sleeper.exe")
    (client / "EngineScenario.ini").write_text("[Disks]\r\nRoots=Q:\r\n")  # never walk the host's disks
    data = tmp_path / "data"
    data.mkdir()
    (data / "clean.txt").write_text("nothing to find here\r\n")
    config = tmp_path / "plain.ini"
    config.write_text(config_text(data, processes, audit, main), newline="")
    package = tmp_path / "audit.exe"
    result = run_win(BIN / "kvpack.exe", "--sig", winpath(DIST / "Qel.sig"), winpath(DIST / "KVPacket.exe"),
                     winpath(client), winpath(config), winpath(package))
    assert result.returncode == 0, result.stdout + result.stderr
    return package


def unpacked(tmp_path, processes, audit=AUDIT, main=()):
    work = tmp_path / "work"
    assert run_win(package_for(tmp_path, processes, audit, main), f"/unpack:{winpath(work)}").returncode == 0
    assert (work / "KVScan.exe").exists()
    return work


def ended_with(kvlog):
    for line in messages(kvlog):
        if line.startswith("Exiting with return value "):
            return int(line.rsplit(" ", 1)[1])
    return None


def run_scanner(work, *args, timeout=300):
    return run_win(work / "KVScan.exe", *args, timeout=timeout)


SCAN_ONLY = [("KVScan.exe", "", "yes")]


def test_whole_audit_from_the_package_without_destination_ends_with_0(tmp_path, temp_folder, kvlog,
                                                                        audit_registry):
    package = package_for(tmp_path, SCAN_ONLY)
    assert run_win(package).returncode == 0
    work = temp_folder / "KVScan"
    wait_for(lambda: ended_with(kvlog) is not None, "KVScan to end", timeout=300)
    assert ended_with(kvlog) == 0, messages(kvlog)
    logged = messages(kvlog)
    assert "No destination configured: nothing is sent" in logged
    assert "Creamos el res con valor 0" in logged
    found = documents(work, decrypt=True)
    assert FINAL_REPORT in found, sorted(found)
    assert registry_left() == {}


def test_fourth_start_of_the_same_audit_ends_with_3015(tmp_path, kvlog, audit_registry):
    work = unpacked(tmp_path, SCAN_ONLY)
    reg_set(TESSALY, "Tries", "3", "REG_DWORD")
    reg_set(TESSALY, "TriesAuditGUID", AUDIT)
    result = run_scanner(work)
    assert ended_with(kvlog) == 3015
    assert result.returncode == 3015 & 0xFF
    assert "Too many failed tries, finalishing the analysis." in messages(kvlog)
    assert not (work / "Reports").exists(), "the run ended before its work folders"
    assert registry_left() == {}


def test_tries_of_another_audit_do_not_count(tmp_path, kvlog, audit_registry):
    work = unpacked(tmp_path, SCAN_ONLY)
    reg_set(TESSALY, "Tries", "3", "REG_DWORD")
    reg_set(TESSALY, "TriesAuditGUID", OTHER_AUDIT)
    run_scanner(work)
    assert ended_with(kvlog) == 0, messages(kvlog)
    assert "Start 1 of this audit" in messages(kvlog)
    assert FINAL_REPORT in documents(work, decrypt=True)
    assert registry_left() == {}


def test_missing_signature_file_ends_with_3013(tmp_path, kvlog, audit_registry):
    work = unpacked(tmp_path, SCAN_ONLY)
    for name in ("qel.sig", "Qel.sig"):
        if (work / name).exists():
            (work / name).unlink()
    result = run_scanner(work)
    assert ended_with(kvlog) == 3013, messages(kvlog)
    assert result.returncode == 3013 & 0xFF
    assert registry_left() == {}


def sleeper_started(journal):
    return lambda: journal.exists() and "start chain" in journal.read_text()


def restart_command_parts(command):
    """The program (host path) and the arguments of a Run value whose program path is quoted."""
    assert command.startswith('"'), command
    program, rest = command[1:].split('"', 1)
    return program, rest.split()


def test_interrupted_audit_restarts_from_the_run_value_with_the_same_instance(tmp_path, kvlog, audit_registry):
    journal = tmp_path / "journal.txt"
    work = unpacked(tmp_path, SCAN_ONLY + [("sleeper.exe", f"8000 0 {winpath(journal)} chain", "yes")])
    process = start_win(work / "KVScan.exe")
    try:
        wait_for(sleeper_started(journal), "the sleeper to start", timeout=120)
        auid = reg_query(TESSALY, "LASTAUID")
        command = reg_query(RUN_KEY, "KVScanner")
    finally:
        process.kill()
        process.wait(timeout=30)
    assert command == f'"{winpath(work)}\\KVScan.exe"'
    assert reg_query(RUN_KEY, "KVScanner") == command, "the Run value outlives the killed run"
    assert reg_query(TESSALY, "LASTAUID") == auid
    assert reg_query(TESSALY, "Tries") == "0x1"

    program, args = restart_command_parts(command)
    assert pathlib.PureWindowsPath(program) == pathlib.PureWindowsPath(winpath(work / "KVScan.exe"))
    restarted = KVLogFile()
    run_scanner(work, *args)
    assert ended_with(restarted) == 0, messages(restarted)
    assert "Start 2 of this audit" in messages(restarted)
    details = documents(work, decrypt=True)[FINAL_REPORT]
    assert details.findtext(".//AnalysisGUID").lower() == "{" + auid.lower() + "}"
    assert registry_left() == {}


@pytest.mark.parametrize("given", [
    # A file elsewhere, named in full.
    "absolute",
    # A bare name is read from the program folder, whatever the current folder was.
    "bare name",
])
def test_restart_command_carries_the_configuration_file(tmp_path, kvlog, audit_registry, given):
    journal = tmp_path / "journal.txt"
    work = unpacked(tmp_path, [("sleeper.exe", f"8000 0 {winpath(journal)} chain", "yes")])
    if given == "absolute":
        config = tmp_path / "config dir" / "audit.ini"
        config.parent.mkdir()
        argument = winpath(config)
    else:
        config = work / "audit.ini"
        argument = "audit.ini"
    (work / "KVScan.ini").replace(config)
    process = start_win(work / "KVScan.exe", "/noclean", f"/cfgfile:{argument}", cwd=tmp_path)
    try:
        wait_for(sleeper_started(journal), "the sleeper to start", timeout=120)
        command = reg_query(RUN_KEY, "KVScanner")
    finally:
        process.kill()
        process.wait(timeout=30)
    assert command == f'"{winpath(work)}\\KVScan.exe" /noclean /cfgfile:"{winpath(config)}"'


def test_resend_run_keeps_what_the_interrupted_run_left(tmp_path, kvlog, audit_registry):
    work = unpacked(tmp_path, SCAN_ONLY)
    (work / "Reports").mkdir()
    (work / "Reports" / "undelivered.xml").write_bytes(b"<left/>")
    (work / "Suspicious").mkdir()
    (work / "Suspicious" / "element.qel").write_bytes(b"qel")
    reg_set(RUN_KEY, "KVScanner", f'"{winpath(work)}\\KVScan.exe" /onlysend')
    reg_set(TESSALY, "Tries", "1", "REG_DWORD")
    reg_set(TESSALY, "TriesAuditGUID", AUDIT)
    result = run_scanner(work, "/onlysend")
    assert ended_with(kvlog) == 0, messages(kvlog)
    assert result.returncode == 0
    logged = messages(kvlog)
    assert "Sending process finished." in logged
    assert (work / "Reports" / "undelivered.xml").read_bytes() == b"<left/>"
    assert (work / "Suspicious" / "element.qel").read_bytes() == b"qel"
    assert (work / "Quarantine").is_dir() and (work / "Statistics").is_dir()
    assert registry_left() == {}
