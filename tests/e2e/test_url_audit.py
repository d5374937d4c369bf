"""Whole audits from a package in URL mode against the reference audit server: the connection test before
the audit (the configured proxy or a direct connection, the proxy of the user's Internet settings, the
configuration file repaired for later starts), the documents and the detection arriving at the server, and
the resend entry that delivers what a refusing server left once it accepts again."""
import base64
import pathlib

import pytest

from auditserver_support import audit_server, start_server  # noqa: F401 (fixture)
from conftest import BIN, KVLogFile, reg_delete, reg_query, reg_set, run_win, start_win, winpath
from kvpacket_support import temp_folder  # noqa: F401 (fixture)
from test_audit_run import (FINAL_REPORT, RUN_KEY, SCAN_ONLY, audit_registry, config_text, ended_with,  # noqa: F401
                            package_for, registry_left, restart_command_parts, run_scanner, unpacked)
from test_engine_standin import EICAR
from test_kvscan_startup import messages, wait_for
from test_result_documents import documents

SERVER_AUDIT = "url-audit"
INTERNET_SETTINGS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
PROXY_KEYS = ("ProxyServer", "ProxyPort", "ProxyUser", "ProxyPassword")
WORK_FOLDERS = ("Reports", "Quarantine", "Suspicious", "Statistics")


def server_lines(host="127.0.0.1"):
    return [f"QueriesURL=http://{host}/test", f"ReportsURL=http://{host}/{SERVER_AUDIT}/report",
            "ObtainMalwarePath=yes"]


def eicar_found(tmp_path):
    return [("EICAR-Test-File", f"{winpath(tmp_path / 'data')}\\eicar.com")]


# A proxy nobody listens on: the connection test finds the server directly.
DEAD_PROXY = ["ProxyServer=127.0.0.1", "ProxyPort=8", "ProxyUser=proxyuser", "ProxyPassword=s3cr3t"]


@pytest.fixture
def user_proxy():
    """Sets the user's Internet settings proxy (ProxyEnable, ProxyServer); removed again afterwards."""
    def set_proxy(server, enable=1):
        reg_set(INTERNET_SETTINGS, "ProxyEnable", str(enable), "REG_DWORD")
        reg_set(INTERNET_SETTINGS, "ProxyServer", server)
    yield set_proxy
    reg_delete(INTERNET_SETTINGS, "ProxyEnable")
    reg_delete(INTERNET_SETTINGS, "ProxyServer")


@pytest.fixture
def reference_server(tmp_path):
    """Starts the reference server on 127.0.0.1:80 with the given options (a proxy asking for the
    credentials proxyuser / s3cr3t: proxy_user="proxyuser", proxy_password="s3cr3t"); stopped afterwards."""
    started = []

    def start(**options):
        started.append(start_server(tmp_path / "server", **options))
        return started[-1]
    yield start
    for data in started:
        data.server.shutdown()
        data.server.server_close()


CREDENTIALS = {"proxy_user": "proxyuser", "proxy_password": "s3cr3t"}


def add_eicar(tmp_path):
    """The sample folder of the audit gets the test file (made here, never committed)."""
    (tmp_path / "data" / "eicar.com").write_text(EICAR)


def received(server, tmp_path, encrypted=True):
    """{file name: parsed root} of the documents the server stored for the audit (encrypted like the
    configuration: decrypted here)."""
    folder = tmp_path / "received"
    (folder / "Reports").mkdir(parents=True)
    for name, data in server.documents(SERVER_AUDIT).items():
        (folder / "Reports" / name).write_bytes(data)
    return documents(folder, decrypt=encrypted)


def detections(docs):
    """(name, path) of every detection report in the documents."""
    return [(report.findtext("MalwareName"), report.findtext("MalwarePath"))
            for doc in docs.values() for report in doc.iter("Report")]


def main_section(path):
    """The KVSCAN_MAINCONFIG keys of a configuration file as the next start reads it."""
    if run_win(BIN / "kvcrypt.exe", "check", winpath(path)).returncode == 0:
        plain = path.parent / "plain.txt"
        assert run_win(BIN / "kvcrypt.exe", "decrypt", winpath(path), winpath(plain)).returncode == 0
        text = plain.read_bytes().decode("cp1252")
        plain.unlink()
    else:
        text = path.read_bytes().decode("cp1252")
    keys, section = {}, None
    for line in text.split("\r\n"):
        if line.startswith("["):
            section = line.strip("[]")
        elif section == "KVSCAN_MAINCONFIG" and "=" in line:
            key, value = line.split("=", 1)
            keys[key] = value
    return keys


def work_files(work):
    return sorted(p.relative_to(work).as_posix() for name in WORK_FOLDERS if (work / name).exists()
                  for p in (work / name).rglob("*") if p.is_file())


def test_whole_audit_delivers_documents_and_detection(tmp_path, temp_folder, audit_server, kvlog,
                                                       audit_registry):
    package = package_for(tmp_path, SCAN_ONLY, main=server_lines())
    add_eicar(tmp_path)
    assert run_win(package).returncode == 0
    wait_for(lambda: ended_with(kvlog) is not None, "KVScan to end", timeout=300)
    logged = messages(kvlog)
    assert ended_with(kvlog) == 0, logged
    assert "Direct internet connection." in logged
    docs = received(audit_server, tmp_path)
    assert FINAL_REPORT in docs, sorted(docs)
    assert int(docs[FINAL_REPORT].findtext(".//FilesScanned")) >= 2
    assert detections(docs) == eicar_found(tmp_path)
    gets = [r for r in audit_server.requests() if r["method"] == "GET"]
    assert [r["path"] for r in gets] == ["/test"]
    assert all(r["problems"] == [] and r["status"] == 200 for r in audit_server.requests())
    assert registry_left() == {}
    assert work_files(temp_folder / "KVScan") == []


@pytest.mark.parametrize("case", ["unneeded proxy, encrypted file", "unneeded proxy, plain file",
                                  "unneeded proxy, plain file named by /cfgfile:", "user's proxy for a made-up host",
                                  "configured proxy with credentials for a made-up host"])
def test_connection_test_repairs_the_proxy_of_the_configuration(tmp_path, reference_server, user_proxy, kvlog,
                                                                audit_registry, case):
    server = reference_server(**(CREDENTIALS if "credentials" in case else {}))
    if case.startswith("unneeded proxy"):
        main = server_lines() + DEAD_PROXY
        expected = {}
        logged_line = "Removing proxy information from the configuration file."
    elif case.startswith("configured proxy"):
        main = server_lines("audit.invalid") + ["ProxyServer=127.0.0.1", "ProxyPort=80", "ProxyUser=proxyuser",
                                                 "ProxyPassword=s3cr3t"]
        expected = {"ProxyServer": "127.0.0.1", "ProxyPort": "80", "ProxyUser": "proxyuser",
                    "ProxyPassword": "s3cr3t"}
        logged_line = "Proxy internet connection."
    else:
        main = server_lines("audit.invalid")
        user_proxy("127.0.0.1:80")
        expected = {"ProxyServer": "127.0.0.1", "ProxyPort": "80", "ProxyUser": "", "ProxyPassword": ""}
        logged_line = "Updating proxy information of configuration file."
    work = unpacked(tmp_path, SCAN_ONLY, main=main)
    config, args = work / "KVScan.ini", ["/noclean"]
    if case.endswith("/cfgfile:"):
        config = tmp_path / "config dir" / "audit.ini"
        config.parent.mkdir()
        args.append(f"/cfgfile:{winpath(config)}")
    packaged = (work / "KVScan.ini").read_bytes()
    plain = "plain file" in case
    if plain:
        config.write_bytes(("; a comment\r\n" + config_text(tmp_path / "data", SCAN_ONLY, main=main)).encode())
    add_eicar(tmp_path)

    run_scanner(work, *args)
    logged = messages(kvlog)
    assert ended_with(kvlog) == 0, logged
    assert logged_line in logged
    if config != work / "KVScan.ini":
        assert (work / "KVScan.ini").read_bytes() == packaged, "only the file the run read is rewritten"
    keys = main_section(config)
    assert {k: keys[k] for k in PROXY_KEYS if k in keys} == expected
    assert keys["ReportsURL"] == main[1].split("=", 1)[1] and keys["AppRefVersion"], keys
    docs = received(server, tmp_path, encrypted=not plain)
    assert FINAL_REPORT in docs and detections(docs) == eicar_found(tmp_path)
    posts = [r for r in server.requests() if r["method"] == "POST"]
    assert posts and all(r["absolute"] == ("made-up host" in case) and r["status"] == 200 for r in posts)
    log_text = "\n".join(kvlog.lines())
    assert "s3cr3t" not in log_text and base64.b64encode(b"proxyuser:s3cr3t").decode() not in log_text


@pytest.mark.parametrize("case,show_progress,last_line", [
    ("no server, no proxy in the user's settings", "no", "Connection Error. Searching the registry for proxy information."),
    ("the user's proxy needs credentials, no user interface", "no", "No User Interface --> Connection Error."),
    ("the user's proxy needs credentials, no dialog in this build", "yes", "Credentials needed, asking the user."),
])
def test_unreachable_server_ends_with_3010(tmp_path, reference_server, user_proxy, kvlog, audit_registry, case,
                                           show_progress, last_line):
    proxy = None
    if "credentials" in case:
        proxy = reference_server(**CREDENTIALS)
        user_proxy("127.0.0.1:80")
    else:
        user_proxy("127.0.0.1:80", enable=0)
    main = server_lines("audit.invalid" if proxy else "127.0.0.1")
    work = unpacked(tmp_path, SCAN_ONLY, main=main)
    config = config_text(tmp_path / "data", SCAN_ONLY, main=main)
    (work / "KVScan.ini").write_text(config.replace("ShowProgress=no", f"ShowProgress={show_progress}"),
                                     newline="")
    before = main_section(work / "KVScan.ini")
    result = run_scanner(work, "/noclean")
    logged = messages(kvlog)
    assert ended_with(kvlog) == 3010, logged
    assert result.returncode == 3010 & 0xFF
    assert last_line in logged and "Can not access to the Internet" in logged
    assert ("Proxy information found. Trying to connect without credentials." in logged) == bool(proxy)
    if proxy:
        statuses = [r["status"] for r in proxy.requests()]
        assert statuses and set(statuses) == {407}, statuses
    assert not (work / "Reports").exists(), "the audit never started"
    assert main_section(work / "KVScan.ini") == before


def test_refused_uploads_are_delivered_by_the_run_key_command(tmp_path, audit_server, kvlog, audit_registry):
    work = unpacked(tmp_path, SCAN_ONLY, main=server_lines())
    add_eicar(tmp_path)
    audit_server.refuse()
    process = start_win(work / "KVScan.exe")
    try:
        wait_for(lambda: (reg_query(RUN_KEY, "KVScanner") or "").endswith("/onlysend"),
                 "the resend entry", timeout=300)
        wait_for(lambda: "Some data could not be sent. Retrying..." in messages(kvlog), "a retry", timeout=60)
        left = work_files(work)
        command = reg_query(RUN_KEY, "KVScanner")
    finally:
        process.kill()
        process.wait(timeout=30)
    assert audit_server.documents(SERVER_AUDIT) == {}
    assert f"Reports/{FINAL_REPORT}" in left, left
    assert command == f'"{winpath(work)}\\KVScan.exe" /onlysend'

    audit_server.refuse(False)
    program, args = restart_command_parts(command)
    assert pathlib.PureWindowsPath(program) == pathlib.PureWindowsPath(winpath(work / "KVScan.exe"))
    resend = KVLogFile()
    run_scanner(work, *args)
    logged = messages(resend)
    assert ended_with(resend) == 0, logged
    assert "Sending process finished." in logged
    assert sorted("Reports/" + name for name in audit_server.documents(SERVER_AUDIT)) == left, \
        "every document that waited arrived"
    assert detections(received(audit_server, tmp_path)) == eicar_found(tmp_path)
    assert registry_left() == {}
    assert work_files(work) == []
