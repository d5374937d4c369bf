"""The result documents of an analysis, written through the engine adapter (bin/resultrun.exe) with the
engine stand-ins from dist/, read back with a schema-free XML parser; then the disinfection run that
works from the reference text the documents carried."""
import hashlib
import re
import shutil
import xml.etree.ElementTree as ET

from conftest import BIN, run_win, winpath
from test_engine_standin import EICAR, program_folder

AUDIT = "{5e1f0a2b-3c4d-4e5f-8a9b-0c1d2e3f4a5b}"
END_NAME = "{00000000-0000-0000-0000-000000000000}.xml"
GUID_NAME = re.compile(r"^\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\}\.xml$")
ISO = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")

CONFIG = """[KVSCAN_MAINCONFIG]
AuditGUID={audit}
AppRefVersion=3300020003000004ABCDEF0123456789
ObtainMalwarePath=yes
Disinfection={disinfection}
[KVSCAN_SCANCONFIG]
PathAnalysis={path}
MemoryAnalysis=no
AllDiskAnalysis=yes
OutlookAnalysis=no
OEAnalysis=no
ReportType=Grouped
"""


def write_config(folder, data, disinfection, encrypted=False):
    plain = CONFIG.format(audit=AUDIT, path=winpath(data), disinfection=disinfection).replace("\n", "\r\n")
    (folder / "KVScan.ini").write_bytes(plain.encode("ascii"))
    if encrypted:
        done = run_win(BIN / "kvcrypt.exe", "encrypt", winpath(folder / "KVScan.ini"), winpath(folder / "enc.ini"))
        assert done.returncode == 0, done.stderr
        (folder / "enc.ini").replace(folder / "KVScan.ini")


def run_analysis(folder):
    result = run_win(BIN / "resultrun.exe", winpath(folder / "KVScan.ini"))
    facts = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
    return result, facts


def documents(folder, decrypt=False):
    """{file name: parsed root} of the reports folder."""
    found = {}
    for path in sorted((folder / "Reports").glob("*.xml")):
        if decrypt:
            assert run_win(BIN / "kvcrypt.exe", "check", winpath(path)).returncode == 0, f"{path.name} is plain"
            plain = path.with_suffix(".plain")
            done = run_win(BIN / "kvcrypt.exe", "decrypt", winpath(path), winpath(plain))
            assert done.returncode == 0, done.stderr
            found[path.name] = ET.fromstring(plain.read_bytes())
            plain.unlink()
        else:
            found[path.name] = ET.fromstring(path.read_bytes())
    return found


def scan_and_check(tmp_path, encrypted):
    folder = program_folder(tmp_path)
    data = tmp_path / "data"
    data.mkdir()
    (data / "eicar.com").write_text(EICAR)
    (data / "clean.txt").write_text("nothing to see")
    write_config(folder, data, "no", encrypted)

    result, facts = run_analysis(folder)
    assert result.returncode == 0, result.stderr
    assert facts["encrypted"] == ("1" if encrypted else "0")
    docs = documents(folder, decrypt=encrypted)
    assert len(docs) == 3, list(docs)

    details = {name: root for name, root in docs.items() if root.tag == "AnalysisDetails"}
    assert END_NAME in details and len(details) == 2
    start_name = next(name for name in details if name != END_NAME)
    assert GUID_NAME.match(start_name)
    start, end = details[start_name], details[END_NAME]
    assert start.find("EndDate") is None and start.findtext("TotalTime") == "0"
    assert ISO.match(end.findtext("EndDate"))
    for doc in (start, end):
        assert doc.findtext("AnalysisGUID") == facts["instance"]
        assert doc.findtext("AuditGUID") == AUDIT
        assert doc.findtext("ComputerGUID") == facts["machine"]
        assert doc.findtext("Disinfection") == "0"
        assert doc.findtext("TessalyClientVersion") == "2.00.00.04"  # from AppRefVersion
        assert doc.findtext("AnalysisType") == "1"
        assert ISO.match(doc.findtext("QelsigDate")) and doc.findtext("QelsigDate").endswith("+00:00")
    assert int(end.findtext("FilesScanned")) >= 2
    assert start.findtext("FilesScanned") == "0"

    reports = [root for root in docs.values() if root.tag == "Reports"]
    assert len(reports) == 1 and len(reports[0]) == 1
    report = reports[0][0]
    assert report.findtext("AnalysisGUID") == facts["instance"]
    assert report.findtext("MalwareName") == "EICAR-Test-File"
    assert report.findtext("MalwarePath") == f"{winpath(data)}\\eicar.com"
    assert re.fullmatch(r"[0-9a-f]{32}", report.findtext("HashMalwarePath"))
    assert report.findtext("MD5") == hashlib.md5(EICAR.encode()).hexdigest().upper()
    assert report.findtext("MalwareType") == "1"  # a virus
    assert report.findtext("Action") == "2"  # left as it was
    assert report.findtext("ReferenceID").startswith("1;0;")
    assert (data / "eicar.com").read_text() == EICAR
    return folder, data, report.findtext("ReferenceID")


def test_scan_of_a_folder_with_eicar_writes_the_documents(tmp_path):
    scan_and_check(tmp_path, encrypted=False)


def test_encrypted_audit_writes_encrypted_documents_and_disinfects_what_they_reported(tmp_path):
    folder, data, reference = scan_and_check(tmp_path, encrypted=True)

    # The server sends the reference text back in the elements file named by the audit.
    (folder / AUDIT).write_bytes((reference + "\r\n").encode("ascii"))
    shutil.rmtree(folder / "Reports")
    write_config(folder, data, "yes", encrypted=True)
    result, facts = run_analysis(folder)
    assert result.returncode == 0, result.stderr

    assert "EICAR" not in (data / "eicar.com").read_text()
    journal = (folder / "EngineJournal.txt").read_text(errors="replace")
    assert " kind=0x50000 type=1 subtype=0 data=51454c44" in journal
    assert "ZOSCAN_CFG_FIRST_ACTION value=2 -> 0" in journal

    docs = documents(folder, decrypt=True)
    reports = [root for root in docs.values() if root.tag == "Reports"]
    assert len(reports) == 1 and len(reports[0]) == 1
    report = reports[0][0]
    assert report.findtext("MalwareName") == "EICAR-Test-File"
    assert report.findtext("Action") == "4"  # disinfected
    assert report.find("ReferenceID") is not None and not report.findtext("ReferenceID")
    assert docs[END_NAME].findtext("Disinfection") == "1"


def test_disinfection_without_elements_file_fails_with_2_and_an_error_report(tmp_path):
    folder = program_folder(tmp_path)
    write_config(folder, tmp_path, "yes")
    result, facts = run_analysis(folder)
    assert result.returncode == 2
    assert facts["result"] == "2"
    reports = list((folder / "Reports").glob("ErrorReport_*"))
    texts = [path.read_text(errors="replace") for path in reports]
    assert any("ExtraText=Error getting elements to disinfect" in text for text in texts), texts
    assert all(root.tag == "AnalysisDetails" for root in documents(folder).values())  # no AnalysisData
