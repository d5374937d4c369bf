"""Whole audits from a package delivering to a folder destination and to an FTP server: the run folder
with one sub-folder per work folder, the documents in it, the work folders emptied, and the progress
record beside the run folder, read back here field by field."""
from datetime import datetime, timezone

import pytest

from conftest import KVLogFile, reg_query, reg_set, start_win, winpath
from ftpserver_support import ftp_server, start_ftp_server  # noqa: F401 (fixture)
from progress_record import RECORD_SIZE, read_record, record_bytes
from test_audit_run import (AUDIT, FINAL_REPORT, OTHER_AUDIT, RUN_KEY, SCAN_ONLY, TESSALY,  # noqa: F401
                            audit_registry,
                            ended_with, registry_left, restart_command_parts, run_scanner, unpacked)
from test_kvscan_startup import messages, wait_for
from test_result_documents import documents

SUB_FOLDERS = ["Quarantine", "Reports", "Statistics", "Suspicious"]


def run_folders(base):
    return sorted(p for p in base.iterdir() if p.is_dir())


def check_delivered_run(base, run, destination):
    """The run folder's tree and documents and its final progress record."""
    assert sorted(p.name for p in run.iterdir()) == SUB_FOLDERS
    details = documents(run, decrypt=True)
    assert FINAL_REPORT in details, sorted(details)
    assert details[FINAL_REPORT].findtext(".//AnalysisGUID").lower() == run.name.lower()
    record = read_record(base / f"{run.name}.dat")
    now = datetime.now(timezone.utc)
    assert record["time"][:2] == (now.year, now.month)
    del record["time"]
    expected = {"size": RECORD_SIZE, "audit": AUDIT, "instance": run.name, "kind": 1, "destination": destination,
                "reports": "Reports", "suspicious": "Suspicious", "quarantine": "Quarantine",
                "statistics": "Statistics", "filtered": "", "status": 2, "percentage": 0}
    assert {k: record[k] for k in expected} == expected
    assert record["progress_id"], "the computer name stands in for a missing ProgressID.dat"
    return record


def assert_work_folders_empty(work):
    for name in ("Reports", "Suspicious", "Statistics"):
        assert list((work / name).iterdir()) == [], name


def test_audit_delivers_into_a_folder_and_its_next_run_replaces_the_first(tmp_path, kvlog, audit_registry):
    base = tmp_path / "delivered"
    work = unpacked(tmp_path, SCAN_ONLY, main=[f"ReportsFolder={winpath(base)}"])
    run_scanner(work, "/noclean")
    assert ended_with(kvlog) == 0, messages(kvlog)
    [first] = run_folders(base)
    record = check_delivered_run(base, first, winpath(base))
    assert_work_folders_empty(work)
    assert any(m.startswith("Correctly copied [") for m in messages(kvlog))

    # Another audit's run on this machine shares the base; the same audit's next run replaces its first.
    other = "{11111111-2222-3333-4444-555555555555}"
    (base / other / "Reports").mkdir(parents=True)
    (base / other / "Reports" / "kept.xml").write_bytes(b"<kept/>")
    (base / f"{other}.dat").write_bytes(record_bytes(audit=OTHER_AUDIT, progress_id=record["progress_id"],
                                                     instance=other, destination=winpath(base), status=2))
    again = KVLogFile()
    run_scanner(work, "/noclean")
    assert ended_with(again) == 0, messages(again)
    assert not (base / f"{first.name}.dat").exists() and not first.exists()
    assert (base / other / "Reports" / "kept.xml").read_bytes() == b"<kept/>"
    assert read_record(base / f"{other}.dat")["audit"] == OTHER_AUDIT
    [second] = [p for p in run_folders(base) if p.name != other]
    assert second.name != first.name
    check_delivered_run(base, second, winpath(base))
    assert registry_left() == {}


def test_resend_run_adds_to_its_run_folder_without_emptying_it(tmp_path, kvlog, audit_registry):
    base = tmp_path / "delivered"
    work = unpacked(tmp_path, SCAN_ONLY, main=[f"ReportsFolder={winpath(base)}"])
    run_scanner(work, "/noclean")
    assert ended_with(kvlog) == 0, messages(kvlog)
    [run] = run_folders(base)
    delivered = sorted(p.name for p in (run / "Reports").iterdir())
    # The same run, interrupted during its delivery: a report and a suspicious file still wait.
    (work / "Reports" / "late.dat").write_bytes(b"late")
    (work / "Suspicious" / "element.qel").write_bytes(b"qel")
    reg_set(TESSALY, "LASTAUID", run.name[1:-1])
    reg_set(RUN_KEY, "KVScanner", f'"{winpath(work)}\\KVScan.exe" /noclean /onlysend')
    reg_set(TESSALY, "Tries", "1", "REG_DWORD")
    reg_set(TESSALY, "TriesAuditGUID", AUDIT)
    resend = KVLogFile()
    run_scanner(work, "/noclean", "/onlysend")
    assert ended_with(resend) == 0, messages(resend)
    assert sorted(p.name for p in (run / "Reports").iterdir()) == sorted(delivered + ["late.dat"])
    assert (run / "Suspicious" / "element.qel").read_bytes() == b"qel"
    assert run_folders(base) == [run]
    check_delivered_run(base, run, winpath(base))
    assert_work_folders_empty(work)
    assert registry_left() == {}


def no_signature_file(work):
    for name in ("qel.sig", "Qel.sig"):
        if (work / name).exists():
            (work / name).unlink()


def fourth_start(work):
    reg_set(TESSALY, "Tries", "3", "REG_DWORD")
    reg_set(TESSALY, "TriesAuditGUID", AUDIT)


@pytest.mark.parametrize("prepare, status, progress", [
    (no_signature_file, 3013, -4),
    (fourth_start, 3015, -1),  # ends before its destination was prepared
])
def test_a_failed_run_leaves_its_final_status_in_the_record(tmp_path, kvlog, audit_registry, prepare, status,
                                                             progress):
    base = tmp_path / "delivered"
    work = unpacked(tmp_path, SCAN_ONLY, main=[f"ReportsFolder={winpath(base)}"])
    prepare(work)
    run_scanner(work, "/noclean")
    assert ended_with(kvlog) == status, messages(kvlog)
    [path] = base.glob("*.dat")
    record = read_record(path)
    assert (record["status"], record["audit"], record["size"]) == (progress, AUDIT, RECORD_SIZE)
    assert path.name == record["instance"] + ".dat"
    assert registry_left() == {}


def test_audit_delivers_to_an_ftp_server(tmp_path, kvlog, audit_registry, ftp_server):
    address = f"ftp://127.0.0.1:{ftp_server.port}/audits"
    work = unpacked(tmp_path, SCAN_ONLY, main=[f"ReportsFTP={address}"])
    run_scanner(work, "/noclean")
    assert ended_with(kvlog) == 0, messages(kvlog)
    base = ftp_server.root / "audits"
    [run] = run_folders(base)
    check_delivered_run(base, run, address)
    assert sorted(p.name for p in base.iterdir() if p.is_file()) == [f"{run.name}.dat"]
    assert_work_folders_empty(work)
    assert ("USER", "anonymous") in ftp_server.commands()
    assert "PASV" in ftp_server.verbs()
    assert registry_left() == {}


def test_refused_upload_leaves_a_resend_entry_that_delivers_the_rest(tmp_path, kvlog, audit_registry):
    root = tmp_path / "ftproot"
    server = start_ftp_server(root)
    port = server.port
    work = unpacked(tmp_path, SCAN_ONLY, main=[f"ReportsFTP=ftp://127.0.0.1:{port}/"])
    server.refuse_stor(FINAL_REPORT)
    process = start_win(work / "KVScan.exe", "/noclean")
    try:
        wait_for(lambda: "/onlysend" in (reg_query(RUN_KEY, "KVScanner") or ""), "the resend entry", timeout=300)
        command = reg_query(RUN_KEY, "KVScanner")
    finally:
        process.kill()
        process.wait(timeout=30)
        server.close()
    assert any(verb == "STOR" and arg.endswith(FINAL_REPORT) for verb, arg in server.commands())
    assert (work / "Reports" / FINAL_REPORT).exists(), "a refused file stays in its work folder"
    [run] = run_folders(root)
    assert not (run / "Reports" / FINAL_REPORT).exists()
    assert read_record(root / f"{run.name}.dat")["status"] == 1, "the killed run wrote no final record"

    server = start_ftp_server(root, port)
    try:
        _, args = restart_command_parts(command)
        assert args == ["/noclean", "/onlysend"]
        resend = KVLogFile()
        run_scanner(work, *args)
        assert ended_with(resend) == 0, messages(resend)
    finally:
        server.close()
    check_delivered_run(root, run, f"ftp://127.0.0.1:{port}/")
    assert_work_folders_empty(work)
    assert registry_left() == {}
