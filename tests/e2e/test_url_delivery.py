"""The scanner's URL transport end to end: urldelivery drives UrlDelivery, which binds the shipped
KVComs.dll from a program folder, against the reference audit server on 127.0.0.1:80."""
import io
import re
import zipfile

import pytest

from auditserver_support import audit_server, proxy_server  # noqa: F401 (fixtures)
from conftest import BIN, DIST, run_win, winpath

AUDIT = "aud21"
FINAL = "{00000000-0000-0000-0000-000000000000}.xml"


def deliver(kind, program=DIST, **fields):
    args = ["%s=%s" % (k, v) for k, v in fields.items()]
    result = run_win(BIN / "urldelivery.exe", winpath(program), kind, *args)
    assert result.returncode == 0, result.stdout + result.stderr
    line = result.stdout.strip().splitlines()[-1]
    return {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", line)}


def folder_with(path, files):
    path.mkdir()
    for name, data in files.items():
        (path / name).write_bytes(data)
    return path


def posts(server):
    return [r for r in server.requests() if r["method"] == "POST"]


def test_final_report_waits_until_released(tmp_path, audit_server):
    files = {FINAL: b"<AnalysisDetails/>", "{A}.xml": b"<AnalysisData>a</AnalysisData>",
             "{B}.xml": b"<ComputerDetails/>"}
    reports = folder_with(tmp_path / "reports", files)
    url = "http://127.0.0.1/%s/report" % AUDIT

    held = deliver("reports", reports=winpath(reports), url=url, agent="Morvik 2.00.00", hold=1)
    assert held == {"result": 1, "sent": 2, "left": 1}
    assert audit_server.documents(AUDIT) == {n: d for n, d in files.items() if n != FINAL}
    assert [p.name for p in reports.iterdir()] == [FINAL]
    assert all("User-Agent: Morvik 2.00.00\r\n" in audit_server.head(r["number"]) for r in posts(audit_server))

    released = deliver("reports", reports=winpath(reports), url=url, agent="Morvik 2.00.00")
    assert released == {"result": 1, "sent": 1, "left": 0}
    assert audit_server.documents(AUDIT) == files
    assert list(reports.iterdir()) == []


def test_refused_reports_stay_and_are_left(tmp_path, audit_server):
    reports = folder_with(tmp_path / "reports", {"{A}.xml": b"<a/>", "{B}.xml": b"<b/>"})
    audit_server.refuse()
    out = deliver("reports", reports=winpath(reports), url="http://127.0.0.1/%s/report" % AUDIT)
    assert out == {"result": 0, "sent": 0, "left": 2}
    assert sorted(p.name for p in reports.iterdir()) == ["{A}.xml", "{B}.xml"]
    assert audit_server.documents(AUDIT) == {}


def test_reports_go_through_the_configured_proxy(tmp_path, proxy_server):
    reports = folder_with(tmp_path / "reports", {"{A}.xml": b"<a/>"})
    out = deliver("reports", reports=winpath(reports), url="http://audit.invalid/%s/report" % AUDIT,
                  proxy="127.0.0.1", port="80", proxyUser="proxyuser", proxyPassword="s3cr3t")
    assert out == {"result": 1, "sent": 1, "left": 0}
    assert proxy_server.documents(AUDIT) == {"{A}.xml": b"<a/>"}
    assert posts(proxy_server)[-1]["absolute"]


def test_statistics_go_to_the_statistics_address_zipped(tmp_path, audit_server):
    content = b"<Statistics>" + b"x" * 500 + b"</Statistics>"
    statistics = folder_with(tmp_path / "statistics", {"stats.xml": content})
    out = deliver("statistics", statistics=winpath(statistics), url="http://127.0.0.1/%s/report" % AUDIT,
                  statsUrl="http://127.0.0.1/%s/stats" % AUDIT)
    assert out == {"result": 1, "sent": 1, "left": 0}
    assert list(statistics.iterdir()) == []
    archive = zipfile.ZipFile(io.BytesIO(audit_server.documents(AUDIT)["stats.zip"]))
    assert archive.read("stats.xml") == content
    assert all(r["path"] == "/%s/stats" % AUDIT for r in posts(audit_server))


@pytest.mark.parametrize("case,kind,folder_key,log_text", [
    # The QEM export refuses every job in this version of the library: nothing may pass for delivered.
    ("QEM export refuses", "suspicious", "suspicious", "SendSuspiciousQEM is not available"),
    # No KVComs.dll in the program folder.
    ("library missing", "reports", "reports", "Could not bind the communications library"),
    ("library missing", "suspicious", "suspicious", "Could not bind the communications library"),
])
def test_failed_calls_leave_the_waiting_files(tmp_path, audit_server, kvlog, case, kind, folder_key, log_text):
    folder = folder_with(tmp_path / folder_key, {"{E1}.qef": b"one", "{E2}.qef": b"two"})
    program = DIST if case == "QEM export refuses" else folder_with(tmp_path / "program", {})
    out = deliver(kind, program=program, url="http://127.0.0.1/%s/report" % AUDIT,
                  vlmUrl="http://127.0.0.1/%s/suspicious" % AUDIT,
                  suspiciousUrl="http://127.0.0.1/%s/qem" % AUDIT, **{folder_key: winpath(folder)})
    assert out == {"result": 0, "sent": 0, "left": 2}
    assert sorted(p.name for p in folder.iterdir()) == ["{E1}.qef", "{E2}.qef"]
    assert posts(audit_server) == []
    lines = kvlog.lines()
    assert any(log_text in line for line in lines), case
    assert any(line.endswith("%s not delivered (2 waiting)" % kind) for line in lines), case
