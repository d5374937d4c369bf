"""KVScan start-up: command line, configuration, single instance, OS facts, administrator check,
the audit instance identifier and "launch_res.dat". Each test runs KVScan in a fresh program folder."""
import contextlib
import struct
import time

import pytest

from conftest import (BIN, program_folder, reg_delete, reg_query, reg_set, run_win, start_win, windows_version,
                      winpath)


SHIPPED = ["KVScan.exe", "KVLog.dll", "KVCripto.dll", "KVEReport.dll", "KVNTUtils.dll"]
TESSALY = "HKLM\\SOFTWARE\\Orvane Software\\Tessaly"
SETUPEX = "HKLM\\Software\\Orvane Software\\SetupEx\\UIDS"
RUN_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"

CONFIG = (
    "[KVSCAN_MAINCONFIG]\r\n"
    "AuditGUID={{0badc0de-1111-2222-3333-444455556666}}\r\n"
    "CheckAdmin={admin}\r\n"
    "AppRefVersion=3300020003000004ABCDEF0123456789\r\n"
    "\r\n"
    "[KVSCAN_SCANCONFIG]\r\n"
    "ShowProgress=no\r\n"
)


@pytest.fixture
def audit_registry():
    """No audit values of an earlier run, before and after the test."""
    def clear():
        reg_delete(TESSALY, "LASTAUID")
        reg_delete(TESSALY, "Tries")
        reg_delete(SETUPEX, "LASTAUID")
        reg_delete(RUN_KEY, "KVScanner")
    clear()
    yield
    clear()


def make_folder(path, config=True, check_admin="no", seams=None):
    folder = program_folder(path, SHIPPED)
    if config:
        (folder / "KVScan.ini").write_bytes(CONFIG.format(admin=check_admin).encode("ascii"))
    if seams:
        lines = ["[TestSeams]", "Enabled=for tests only"] + [f"{k}={v}" for k, v in seams.items()]
        (folder / "KVScan.test-seams.ini").write_text("\r\n".join(lines) + "\r\n")
    return folder


def launch_result(folder):
    path = folder / "launch_res.dat"
    if not path.exists():
        return None
    data = path.read_bytes()
    assert len(data) == 4, data
    return struct.unpack("<i", data)[0]


def assert_status(result, kvlog, status):
    """The status given to exit(): the log names it in full, the host sees its low byte."""
    assert f"Exiting with return value {status}" in messages(kvlog), messages(kvlog)
    assert result.returncode == status & 0xFF


def messages(kvlog):
    return [r[6] for r in kvlog.records() if len(r) == 7 and r[3] == "KvScan"]


def wait_for(condition, what, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if condition():
            return
        time.sleep(0.05)
    pytest.fail(f"timed out waiting for {what}")


def started(kvlog, folder):
    line = f"KvScan starting from directory: [{winpath(folder)}]."
    return lambda: line in messages(kvlog)


@pytest.mark.parametrize("args", [["/bogus"], ["/cfgfile:x.ini", "extra"], ["cfgfile:KVScan.ini"]])
def test_unknown_argument_ends_with_2_and_no_launch_result(tmp_path, kvlog, audit_registry, args):
    folder = make_folder(tmp_path / "work")
    result = run_win(folder / "KVScan.exe", *args)
    assert_status(result, kvlog, 2)
    assert not (folder / "launch_res.dat").exists()
    assert "Exiting with return value 2" in messages(kvlog)


def test_missing_default_configuration_ends_with_3002(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work", config=False)
    result = run_win(folder / "KVScan.exe")
    assert_status(result, kvlog, 3002)
    assert f"Could not find default config file [{winpath(folder)}\\KVScan.ini]. Exiting" in messages(kvlog)
    assert not (folder / "launch_res.dat").exists()


def test_missing_named_configuration_logs_its_path(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work")
    # Wine quotes the argument (it holds blanks); the path inside is trimmed.
    result = run_win(folder / "KVScan.exe", '/CFGFILE: \tC:\\no such dir\\audit.ini  ')
    assert_status(result, kvlog, 3002)
    assert "Could not find specified config file [C:\\no such dir\\audit.ini]. Exiting" in messages(kvlog)


def test_named_configuration_with_blanks_in_quotes_is_used(tmp_path, kvlog, audit_registry):
    # Wine writes an argument with blanks between double quotes on the command line.
    folder = make_folder(tmp_path / "work", config=False)
    (folder / "my audit.ini").write_bytes(CONFIG.format(admin="no").encode("ascii"))
    result = run_win(folder / "KVScan.exe", "/cfgfile:wrong.ini", f'/cfgfile:{winpath(folder)}\\my audit.ini')
    assert result.returncode == 0, messages(kvlog)
    assert launch_result(folder) == 0


def test_undecryptable_configuration_ends_with_3003(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work")
    encrypted = folder / "KVScan.ini.enc"
    done = run_win(BIN / "kvcrypt.exe", "encrypt", winpath(folder / "KVScan.ini"), winpath(encrypted))
    assert done.returncode == 0, done.stderr
    data = bytearray(encrypted.read_bytes())
    data[30] ^= 0x55  # one byte of the cipher text
    (folder / "KVScan.ini").write_bytes(bytes(data))
    result = run_win(folder / "KVScan.exe")
    assert_status(result, kvlog, 3003)
    assert not (folder / "launch_res.dat").exists()
    assert reg_query(TESSALY, "LASTAUID") is None


def test_administrator_required_but_missing_ends_with_3004(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work", check_admin="yes", seams={"Administrator": "no"})
    result = run_win(folder / "KVScan.exe")
    assert_status(result, kvlog, 3004)
    assert "Administrator privileges needed but not found." in messages(kvlog)
    assert launch_result(folder) == 3
    assert reg_query(TESSALY, "LASTAUID") is None


def test_administrator_not_checked_when_configuration_says_no(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work", check_admin="no", seams={"Administrator": "no"})
    assert run_win(folder / "KVScan.exe").returncode == 0
    assert launch_result(folder) == 0


def test_nt4_with_service_pack_6a_ends_with_3(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work")
    with windows_version("KVScan.exe", "nt40"):
        result = run_win(folder / "KVScan.exe")
    assert_status(result, kvlog, 3)
    assert "Windows NT4 without SP6 - exiting" in messages(kvlog)
    assert launch_result(folder) == 8


@pytest.mark.parametrize("version,lines", [
    ("win7", ["Windows Vista", "OS type: 11 (Windows 7) Service Pack 1"]),
    ("winxp", ["OS type: 7 (Windows XP Professional)"]),
])
def test_os_type_reaches_the_log(tmp_path, kvlog, audit_registry, version, lines):
    folder = make_folder(tmp_path / "work")
    with windows_version("KVScan.exe", version):
        result = run_win(folder / "KVScan.exe")
    assert_status(result, kvlog, 0)
    logged = messages(kvlog)
    for line in lines:
        assert any(m.startswith(line) for m in logged), (line, logged)
    assert ("Windows Vista" in logged) == (version == "win7")


def test_clean_exit_removes_the_instance_id_and_reports_0(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work")
    result = run_win(folder / "KVScan.exe")
    assert_status(result, kvlog, 0)
    assert launch_result(folder) == 0
    assert reg_query(TESSALY, "LASTAUID") is None
    assert reg_query(SETUPEX, "LASTAUID") is None
    logged = messages(kvlog)
    assert "Exiting with return value 0" in logged
    assert "   Needed communication libs must NOT be unregistered" in logged


@contextlib.contextmanager
def held_audit(folder, kvlog):
    """KVScan running in folder with its work thread held until "stop.dat" appears: (process, LASTAUID)."""
    process = start_win(folder / "KVScan.exe")
    try:
        wait_for(started(kvlog, folder), "the run to start")
        auid = reg_query(TESSALY, "LASTAUID")
        assert auid and len(auid) == 36, auid
        yield process, auid
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=30)


def test_instance_id_survives_a_crash_and_is_reused(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "work", seams={"WorkThread": "wait"})
    with held_audit(folder, kvlog) as (first, auid):
        first.kill()
        first.wait(timeout=30)
    assert reg_query(TESSALY, "LASTAUID") == auid
    assert reg_query(SETUPEX, "LASTAUID") == auid
    assert not (folder / "launch_res.dat").exists()

    # The restarted run keeps the identifier and removes it at its clean end.
    with held_audit(folder, kvlog) as (again, again_auid):
        assert again_auid == auid
        assert reg_query(SETUPEX, "LASTAUID") == auid
        (folder / "stop.dat").write_bytes(b"")
        assert again.wait(timeout=60) == 0
    assert reg_query(TESSALY, "LASTAUID") is None
    assert reg_query(SETUPEX, "LASTAUID") is None
    assert launch_result(folder) == 0


def test_second_instance_ends_with_4_and_leaves_the_running_audit_alone(tmp_path, kvlog, audit_registry):
    folder = make_folder(tmp_path / "first", seams={"WorkThread": "wait"})
    with held_audit(folder, kvlog) as (first, auid):
        # What the audit work thread of the first run keeps in the registry.
        reg_set(RUN_KEY, "KVScanner", f'"{winpath(folder)}\\KVScan.exe" /onlysend')
        reg_set(TESSALY, "Tries", "1", "REG_DWORD")

        second_folder = make_folder(tmp_path / "second")
        second = run_win(second_folder / "KVScan.exe")
        assert_status(second, kvlog, 4)
        assert launch_result(second_folder) == 4
        assert reg_query(TESSALY, "LASTAUID") == auid
        assert reg_query(SETUPEX, "LASTAUID") == auid
        assert reg_query(RUN_KEY, "KVScanner") is not None
        assert reg_query(TESSALY, "Tries") is not None
        assert first.poll() is None

        # The first run ends normally and cleans up what it owns.
        (folder / "stop.dat").write_bytes(b"")
        assert first.wait(timeout=60) == 0
    assert launch_result(folder) == 0
    assert reg_query(TESSALY, "LASTAUID") is None
    assert reg_query(RUN_KEY, "KVScanner") is None
    assert reg_query(TESSALY, "Tries") is None


PENDING = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"


@pytest.mark.parametrize("args,marked", [([], True), (["/NoClean"], False)])
def test_launch_result_is_deleted_at_restart_unless_noclean(tmp_path, kvlog, audit_registry, args, marked):
    folder = make_folder(tmp_path / "work")
    assert_status(run_win(folder / "KVScan.exe", *args), kvlog, 0)
    assert launch_result(folder) == 0
    pending = reg_query(PENDING, "PendingFileRenameOperations") or ""
    assert (f"{winpath(folder)}\\launch_res.dat".lower() in pending.lower()) == marked, pending
