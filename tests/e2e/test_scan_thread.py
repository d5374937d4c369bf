"""The scanner's own analysis inside a whole audit under Wine (reported as Windows 7): the engine's
service during the run, and a remote stop through "stop.dat" while the disk phase is slowed down by
the engine stand-in's scenario."""
from conftest import KVLogFile, reg_query, start_win
from test_audit_run import FINAL_REPORT, SCAN_ONLY, audit_registry, ended_with, unpacked  # noqa: F401
from test_kvscan_startup import messages, wait_for
from test_result_documents import documents

SERVICE_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZokSvcMorvik"


def slow_audit(tmp_path, files, delay_ms):
    """An unpacked audit whose disk phase walks `files` files, the engine waiting before each one."""
    work = unpacked(tmp_path, SCAN_ONLY)
    for number in range(files):
        (tmp_path / "data" / f"file{number:03}.txt").write_text("plain text\r\n")
    (work / "EngineScenario.ini").write_text(f"[Disks]\r\nRoots=Q:\r\n[Progress]\r\nDelayMs={delay_ms}\r\n")
    return work


def progress_calls(work):
    journal = work / "EngineJournal.txt"
    return journal.read_text(errors="replace").count("callback type=0x80") if journal.exists() else 0


def test_engine_service_runs_during_the_analysis_and_is_gone_after(tmp_path, kvlog, audit_registry):
    work = slow_audit(tmp_path, files=10, delay_ms=200)
    process = start_win(work / "KVScan.exe")
    try:
        wait_for(lambda: "Start Disk Analysis" in messages(kvlog), "the disk phase", timeout=120)
        image = reg_query(SERVICE_KEY, "ImagePath")
        process.wait(timeout=120)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=30)
    assert image is not None and image.lower().endswith("\\zoksvc.exe"), image
    assert "Service Started" in messages(kvlog)
    assert "running" in (work / "zoksvc.journal").read_text()
    assert ended_with(kvlog) == 0, messages(kvlog)
    assert "zoksvc uninstalled" in messages(kvlog)
    assert reg_query(SERVICE_KEY, "ImagePath") is None
    assert "stopped" in (work / "zoksvc.journal").read_text()


def test_stop_file_during_a_slow_disk_phase_stops_it_and_the_final_document_is_written(tmp_path, kvlog,
                                                                                      audit_registry):
    work = slow_audit(tmp_path, files=60, delay_ms=300)
    process = start_win(work / "KVScan.exe")
    try:
        wait_for(lambda: progress_calls(work) > 0, "the disk phase to analyse something", timeout=120)
        (work / "stop.dat").write_text("")
        wait_for(lambda: ended_with(kvlog) is not None, "KVScan to end", timeout=120)
    finally:
        process.kill()
        process.wait(timeout=30)
    logged = messages(kvlog)
    assert "Remote request to finish analysis arrived --> finalizing..." in logged
    assert "End Disk Analysis" in logged
    assert progress_calls(work) < 61, "the disk phase ran to its end"
    assert "Creating End Analysis Details" in logged
    assert FINAL_REPORT in documents(work, decrypt=True)
