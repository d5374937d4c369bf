"""The scanner's FTP transport end to end: ftpdeliver prepares the run folder, sends one work folder and
writes a progress record through WinINet (passive mode) against the recording FTP server."""
import re
import socket

import pytest

from conftest import BIN, PREFIX, run_win, winpath
from ftpserver_support import FTP_PASSWORD, FTP_USER, ftp_server, start_ftp_server  # noqa: F401 (fixture)
from progress_record import read_record
from test_url_delivery import folder_with

INSTANCE = "{6A0B1C2D-3E4F-4A5B-8C6D-7E8F90A1B2C3}"
AUDIT = "{11111111-2222-3333-4444-555555555555}"
SUBFOLDERS = ["Reports", "Quarantine", "Suspicious", "Statistics"]


def ftpdeliver(**keys):
    args = ["%s=%s" % (k, v) for k, v in keys.items()]
    result = run_win(BIN / "ftpdeliver.exe", *args, timeout=90)
    assert result.returncode == 0, result.stdout + result.stderr
    line = result.stdout.strip().splitlines()[-1]
    return {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", line)}


def temporary_records():
    return sorted(p.name for p in (PREFIX / "drive_c" / "users").rglob("kvp*.tmp"))


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.mark.parametrize("case,address,port,base", [
    # No port and no path: port 21 and the run folder right under the server's root.
    ("no path", "ftp://127.0.0.1", 21, "/"),
    ("port and path", "ftp://127.0.0.1:2121/audits", 2121, "/audits/"),
    # The prefix in capitals; a deeper base whose levels do not exist yet, given with a trailing slash.
    ("capitals, deep base", "FTP://127.0.0.1:2121/a/b/", 2121, "/a/b/"),
])
def test_run_tree_and_progress_record_on_the_server(tmp_path, kvlog, case, address, port, base):
    server = start_ftp_server(tmp_path / "ftproot", port)
    try:
        files = {"{A}.xml": b"<AnalysisData/>", "{B}.xml": b"\x00\xff binary \r\n bytes"}
        reports = folder_with(tmp_path / "reports", files)
        out = ftpdeliver(ftp=address, instance=INSTANCE, audit=AUDIT, prepare=1, send="reports",
                         folder=winpath(reports), progress=1, percent=40)
        assert out == {"prepare": 0, "send": 0, "failed": 0, "progress": 0}, case
        run = base + INSTANCE
        stored = server.files()
        assert {n: d for n, d in stored.items() if n.startswith(run + "/")} == \
            {run + "/Reports/" + n: d for n, d in files.items()}, case
        assert read_record(stored[base + INSTANCE + ".dat"])["destination"] == address
        assert len(stored) == 3, case
        assert sorted(p.name for p in (server.root / run.lstrip("/")).iterdir()) == sorted(SUBFOLDERS)
        assert list(reports.iterdir()) == []

        verbs = server.verbs()
        assert "PASV" in verbs or "EPSV" in verbs
        assert "PORT" not in verbs and "EPRT" not in verbs
        assert not {"DELE", "RMD"} & set(verbs)
        assert ("TYPE", "I") in server.commands()
        lines = kvlog.lines()
        assert any(l.endswith("Opening (passive) ftp connection to server [127.0.0.1] port:%d " % port)
                   for l in lines), case
        assert any(l.endswith("Creating remote directory: [%s]" % run) for l in lines), case
    finally:
        server.close()


@pytest.mark.parametrize("case,keys,user,password,log_text", [
    ("anonymous", {}, "anonymous", None, "Using anonymous ftp anonymous/********"),
    ("FTPUser", {"user": FTP_USER, "password": FTP_PASSWORD}, FTP_USER, FTP_PASSWORD,
     "Using ftp user name and password"),
])
def test_login(tmp_path, ftp_server, kvlog, case, keys, user, password, log_text):
    out = ftpdeliver(ftp="ftp://127.0.0.1:%d" % ftp_server.port, instance=INSTANCE, prepare=1, **keys)
    assert out == {"prepare": 0}, case
    logins = [(c, a) for c, a in ftp_server.commands() if c in ("USER", "PASS")]
    assert [c for c, _ in logins] == ["USER", "PASS"] and logins[0][1] == user, case
    if password is None:
        assert re.fullmatch(r"[\w.+-]+@[\w-]+(\.[\w-]+)+", logins[1][1]), logins
    else:
        assert logins[1][1] == password
        assert not any(password in line for line in kvlog.lines())
    assert any(line.endswith(log_text) for line in kvlog.lines()), case


def test_refused_login_is_logged_with_the_servers_answer(ftp_server, kvlog):
    out = ftpdeliver(ftp="ftp://127.0.0.1:%d/" % ftp_server.port, instance=INSTANCE, prepare=1,
                     user=FTP_USER, password="wrong")
    assert out == {"prepare": 1}
    # Wine answers a refused login with 12015 (login failure); Windows may give the extended error with
    # the server's 530 answer.
    failure = re.compile(r"Error: Could not open \(passive\) ftp connection to server \[127\.0\.0\.1\] port:%d\. "
                         r"Err:(12015/0\. |12003/\d+\. 530 .+)$" % ftp_server.port)
    assert any(failure.search(line) for line in kvlog.lines())
    assert not any("wrong" in line for line in kvlog.lines())
    assert "MKD" not in ftp_server.verbs()


def test_refused_upload_is_failed_and_the_file_stays(tmp_path, ftp_server, kvlog):
    reports = folder_with(tmp_path / "reports", {"{A}.xml": b"<a/>", "{B}.xml": b"<b/>"})
    ftp_server.refuse_stor("{B}.xml")
    address = "ftp://127.0.0.1:%d/audits" % ftp_server.port
    out = ftpdeliver(ftp=address, instance=INSTANCE, prepare=1, send="reports", folder=winpath(reports))
    assert out == {"prepare": 0, "send": 12003, "failed": 1}
    assert [p.name for p in reports.iterdir()] == ["{B}.xml"]
    assert set(ftp_server.files()) == {"/audits/%s/Reports/{A}.xml" % INSTANCE}
    lines = kvlog.lines()
    assert any(re.search(r"Error putting file: \[.*\{B\}\.xml\]\. Err:12003/\d+\. 550 Upload refused", l)
               for l in lines), lines
    assert any(re.search(r"Copied file .*\{A\}\.xml via \(passive\) ftp connection to server \[127\.0\.0\.1\] "
                         r"port:%d $" % ftp_server.port, l) for l in lines)

    ftp_server.allow_stor()  # the next send offers the file again and it goes
    assert ftpdeliver(ftp=address, instance=INSTANCE, send="reports", folder=winpath(reports)) == \
        {"send": 0, "failed": 0}
    assert list(reports.iterdir()) == []
    assert ftp_server.files()["/audits/%s/Reports/{B}.xml" % INSTANCE] == b"<b/>"


def test_progress_record_fields_and_replacement(ftp_server):
    address = "ftp://127.0.0.1:%d/watch" % ftp_server.port
    before = temporary_records()
    common = dict(ftp=address, instance=INSTANCE, audit=AUDIT, progressId="console-7", filtered="Filtered")
    assert ftpdeliver(prepare=1, progress=0, **common) == {"prepare": 0, "progress": 0}
    assert ftpdeliver(progress=-1, percent=55, **common) == {"progress": 0}
    stored = ftp_server.files()
    assert set(stored) == {"/watch/%s.dat" % INSTANCE}
    record = read_record(stored["/watch/%s.dat" % INSTANCE])
    year, month, _, day, hour, minute, second, millis = record.pop("time")
    assert 2020 <= year and 1 <= month <= 12 and 1 <= day <= 31 and hour < 24 and minute < 60 and second < 60
    assert record == {
        "size": 1352, "audit": AUDIT, "progress_id": "console-7", "instance": INSTANCE, "kind": 1,
        "destination": address, "reports": "Reports", "suspicious": "Suspicious", "quarantine": "Quarantine",
        "status": -1, "percentage": 55, "statistics": "Statistics", "filtered": "Filtered",
    }
    assert (ftp_server.root / "watch" / INSTANCE / "Filtered").is_dir()
    # The temporary copy of the record is gone after each write.
    assert temporary_records() == before


@pytest.mark.parametrize("case,setup,expected", [
    # What is already on the server stays: nothing is deleted, existing levels are only entered.
    ("existing tree kept", "existing", 0),
    # A plain file where a level of the base must be: that level cannot be created.
    ("level blocked by a file", "blocked", 2),
])
def test_prepare_never_deletes_and_reports_a_level_it_cannot_create(ftp_server, case, setup, expected):
    root = ftp_server.root
    if setup == "existing":
        (root / "audits" / INSTANCE / "Reports").mkdir(parents=True)
        (root / "audits" / INSTANCE / "Reports" / "{OLD}.xml").write_bytes(b"old")
    else:
        (root / "audits").write_bytes(b"not a folder")
    out = ftpdeliver(ftp="ftp://127.0.0.1:%d/audits/" % ftp_server.port, instance=INSTANCE, prepare=1)
    assert out == {"prepare": expected}, case
    assert not {"DELE", "RMD", "RNFR"} & set(ftp_server.verbs())
    if setup == "existing":
        assert ftp_server.files() == {"/audits/%s/Reports/{OLD}.xml" % INSTANCE: b"old"}
        assert ("MKD", "/audits/%s/Reports" % INSTANCE) not in ftp_server.commands()
    else:
        assert (root / "audits").read_bytes() == b"not a folder"


def test_unreachable_server_fails_every_step_and_keeps_the_files(tmp_path, kvlog):
    port = closed_port()
    reports = folder_with(tmp_path / "reports", {"{A}.xml": b"<a/>", "{B}.xml": b"<b/>"})
    out = ftpdeliver(ftp="ftp://127.0.0.1:%d/audits" % port, instance=INSTANCE, audit=AUDIT, prepare=1,
                     send="reports", folder=winpath(reports), progress=1)
    assert out == {"prepare": 1, "send": 1, "failed": 2, "progress": 1}
    assert sorted(p.name for p in reports.iterdir()) == ["{A}.xml", "{B}.xml"]
    failure = "Error: Could not open (passive) ftp connection to server [127.0.0.1] port:%d. Err:" % port
    assert sum(failure in line for line in kvlog.lines()) == 4  # prepare, two files, the record
