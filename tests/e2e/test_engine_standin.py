"""The scanning engine stand-ins from dist/, run from a program folder by the engscan tool."""
import shutil

from conftest import BIN, DIST, run_win, winpath

# The EICAR anti-virus test file, put together at run time.
EICAR = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$" + "EICAR-" + "STANDARD-ANTIVIRUS-TEST-FILE!$H+H*"


def program_folder(tmp_path):
    folder = tmp_path / "program"
    folder.mkdir()
    for name in ("ZoScan.dll", "zokas.dll", "Qel.sig"):
        shutil.copy(DIST / name, folder / name)
    return folder


def test_scan_prints_each_detection_and_journals_every_call(tmp_path):
    folder = program_folder(tmp_path)
    data = tmp_path / "data"
    (data / "sub").mkdir(parents=True)
    (data / "eicar.com").write_text(EICAR)
    (data / "sub" / "report.doc").write_text("spy: KVAUDIT-TEST-" + "SPYWARE-7F31")
    (data / "clean.txt").write_text("nothing")

    result = run_win(BIN / "engscan.exe", winpath(folder), winpath(data))

    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    detected = sorted(line for line in lines if line.startswith("DETECTED "))
    assert detected == [
        f"DETECTED {winpath(data)}\\eicar.com | EICAR-Test-File | type 1.0",
        f"DETECTED {winpath(data)}\\sub\\report.doc | Spyware/KvTest | type 7.2",
    ]
    assert lines[-1] == "analysed 3 elements, 2 detections"
    assert (data / "eicar.com").read_text() == EICAR  # nothing was acted on

    journal = (folder / "EngineJournal.txt").read_text(errors="replace")
    assert "ZOScan_ConfigureAnalysis" in journal and "ZOSCAN_CFG_FIRST_ACTION value=1 -> 0" in journal
    assert f'kind=0x11002 path="{winpath(data)}"'.replace("\\", "\\\\") + " option=1 -> 0" in journal
    assert "ZOScan_Analyse" in journal and "items=1 begins" in journal


def test_missing_signature_file_fails_the_scan(tmp_path):
    folder = program_folder(tmp_path)
    (folder / "Qel.sig").unlink()
    result = run_win(BIN / "engscan.exe", winpath(folder), winpath(tmp_path))
    assert result.returncode == 1
    assert "ZOScan_InitializeAnalysisSystem failed: 2" in result.stderr
