"""KVComs end to end: the real DLL under Wine, driven by kvcomscall, against the reference audit
server on 127.0.0.1:80 in the sandbox's private network namespace."""
import io
import re
import subprocess
import zipfile

import pytest

from auditserver_support import audit_server, proxy_server  # noqa: F401 (fixtures)
from conftest import BIN, BUILD, run_win, winpath

AUDIT = "aud11"


def call(operation, **fields):
    args = ["%s=%s" % (k, v) for k, v in fields.items()]
    result = run_win(BIN / "kvcomscall.exe", operation, *args)
    assert result.returncode == 0, result.stdout + result.stderr
    line = result.stdout.strip().splitlines()[-1]
    return {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", line)}


def send_reports(folder, url, **extra):
    return call("SendReports", folder=winpath(folder), url=url, agent="KVScan-e2e", **extra)


def uploads(server):
    return [r for r in server.requests() if r["method"] == "POST"]


def test_reports_are_delivered_byte_for_byte_and_deleted(tmp_path, audit_server, kvlog):
    folder = tmp_path / "reports"
    folder.mkdir()
    files = {"{A}.xml": b"<AnalysisDetails>\xe9</AnalysisDetails>", "empty.xml": b"",
             "bin.xml": bytes(range(256)) * 40}
    for name, data in files.items():
        (folder / name).write_bytes(data)
    out = send_reports(folder, "http://127.0.0.1/%s/report" % AUDIT, delete=1)
    assert out == {"result": 1, "sent": 3, "failed": 0, "lastError": 0}
    assert audit_server.documents(AUDIT) == files
    assert list(folder.iterdir()) == []
    for record in uploads(audit_server):
        assert record["status"] == 200 and not record["problems"]
        head = audit_server.head(record["number"])
        assert head.startswith("POST /%s/report HTTP/1.1\r\n" % AUDIT)
        assert "User-Agent: KVScan-e2e\r\n" in head
        assert re.search(r"Content-Type: multipart/form-data; boundary=----MORVIK-[0-9a-f]{32}-\r\n", head)
    boundaries = {re.search(r"boundary=(\S+)", audit_server.head(r["number"])).group(1)
                  for r in uploads(audit_server)}
    assert len(boundaries) == 3
    assert any(line.endswith("Report correctly sent") for line in kvlog.lines())


@pytest.mark.parametrize("path,last_error", [("wrong", 17), ("notfound", 18), ("error", 18)])
def test_refused_reports_stay(tmp_path, audit_server, path, last_error):
    folder = tmp_path / "reports"
    folder.mkdir()
    (folder / "r.xml").write_bytes(b"<r/>")
    out = send_reports(folder, "http://127.0.0.1/%s/%s" % (AUDIT, path), delete=1)
    assert out == {"result": 0, "sent": 0, "failed": 1, "lastError": last_error}
    assert (folder / "r.xml").read_bytes() == b"<r/>"


def test_folder_cases(tmp_path, audit_server):
    url = "http://127.0.0.1/%s/report" % AUDIT
    assert send_reports(tmp_path / "absent", url) == {"result": 0, "sent": 0, "failed": 0, "lastError": 19}
    folder = tmp_path / "reports"
    folder.mkdir()
    assert send_reports(folder, url) == {"result": 1, "sent": 0, "failed": 0, "lastError": 0}
    (folder / "Final.xml").write_bytes(b"f")
    assert send_reports(folder, url, excluded="FINAL.XML") == {"result": 1, "sent": 0, "failed": 1, "lastError": 0}
    (folder / "limit.xml").write_bytes(b"x" * 2097152)
    (folder / "over.xml").write_bytes(b"x" * 2097153)
    out = send_reports(folder, url, excluded="final.xml", delete=1)
    assert out == {"result": 1, "sent": 1, "failed": 1, "lastError": 0}
    assert sorted(p.name for p in folder.iterdir()) == ["Final.xml"]
    assert audit_server.documents(AUDIT) == {"limit.xml": b"x" * 2097152}


def test_report_held_open_by_another_process_stays(tmp_path, audit_server):
    folder = tmp_path / "reports"
    folder.mkdir()
    (folder / "busy.xml").write_bytes(b"busy")
    (folder / "ready.xml").write_bytes(b"ready")
    # The holder keeps the file open (no sharing) until its standard input closes.
    holder = subprocess.Popen([str(BUILD / "wine-run"), str(BIN / "kvcomscall.exe"), "hold",
                               winpath(folder / "busy.xml")], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        assert holder.stdout.readline().strip() == "held"
        out = send_reports(folder, "http://127.0.0.1/%s/report" % AUDIT, delete=1)
    finally:
        holder.stdin.close()
        assert holder.wait(timeout=60) == 0
    assert out == {"result": 1, "sent": 1, "failed": 0, "lastError": 0}
    assert (folder / "busy.xml").read_bytes() == b"busy"
    assert audit_server.documents(AUDIT) == {"ready.xml": b"ready"}


@pytest.mark.parametrize("path,delete,result,stats_stay", [
    ("stats", 1, 1, False), ("stats", 0, 1, True), ("error", 1, 0, True)])
def test_statistics_travel_zipped(tmp_path, audit_server, path, delete, result, stats_stay):
    folder = tmp_path / "statistics"
    folder.mkdir()
    content = b"<Statistics>" + b"abc" * 1000 + b"</Statistics>"
    (folder / "stats.xml").write_bytes(content)
    out = call("SendStatistics", folder=winpath(folder), url="http://127.0.0.1/%s/%s" % (AUDIT, path),
               delete=delete)
    assert out["result"] == result and out["sent"] + out["failed"] == 1
    assert not (folder / "stats.zip").exists()
    assert (folder / "stats.xml").exists() == stats_stay
    [record] = uploads(audit_server)
    assert 'name="flFicheroSubida"; filename="%s"' % winpath(folder / "stats.zip") in \
        audit_server.body(record["number"]).decode("latin-1")
    if result:
        archive = zipfile.ZipFile(io.BytesIO(audit_server.documents(AUDIT)["stats.zip"]))
        assert archive.namelist() == ["stats.xml"]
        assert archive.read("stats.xml") == content


def test_through_the_proxy_for_a_made_up_host(tmp_path, proxy_server, kvlog):
    folder = tmp_path / "reports"
    folder.mkdir()
    (folder / "r.xml").write_bytes(b"<r/>")
    url = "http://audit.invalid/%s/report" % AUDIT
    out = send_reports(folder, url, proxyHost="127.0.0.1", proxyUser="proxyuser", proxyPassword="wrong")
    assert out == {"result": 0, "sent": 0, "failed": 1, "lastError": 18}
    out = send_reports(folder, url, proxyHost="127.0.0.1", proxyUser="proxyuser", proxyPassword="s3cr3t", delete=1)
    assert out == {"result": 1, "sent": 1, "failed": 0, "lastError": 0}
    record = uploads(proxy_server)[-1]
    # Wine writes the port into the absolute URL of the request line.
    assert record["target"] in (url, url.replace(".invalid/", ".invalid:80/")) and record["absolute"]
    assert proxy_server.documents(AUDIT) == {"r.xml": b"<r/>"}
    text = "\n".join(kvlog.lines())
    assert "Basic ********" in text
    assert "cHJveHl1c2VyOnMzY3IzdA" not in text and "s3cr3t" not in text


@pytest.mark.parametrize("fields,result,kind", [
    ({"url": "http://127.0.0.1/test", "tryDirect": 1}, 1, 1),
    ({"url": "http://audit.invalid/test", "tryProxy": 1, "proxyHost": "127.0.0.1", "proxyPort": "80",
      "proxyUser": "proxyuser", "proxyPassword": "s3cr3t"}, 1, 2),
    ({"url": "http://audit.invalid/test", "tryProxy": 1, "proxyHost": "127.0.0.1"}, 0, 0),
    ({"url": "http://127.0.0.1/test", "tryProxy": 1, "tryDirect": 1, "proxyHost": "127.0.0.1",
      "proxyPort": "81"}, 1, 1),
    ({"url": "http://127.0.0.1:81/test", "tryDirect": 1}, 0, 0),
    ({"url": "http://127.0.0.1/test"}, 0, 0),
])
def test_connection_test(proxy_server, fields, result, kind):
    assert call("TestConnection", agent="KVScan-e2e", **fields) == {"result": result, "connectionType": kind}
