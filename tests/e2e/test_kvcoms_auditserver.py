"""The reference audit server's own checks: a malformed upload must never be taken for a good one."""
import http.client
import json

import pytest

from auditserver_support import start_server

B = "----MORVIK-00112233445566778899aabbccddeeff-"
PATH = "Z:\\tmp\\reports\\a.xml"


def body(boundary=B, name="Report", filename=PATH, data=b"<a/>", ctype="text/xml", tail=None):
    head = ('--%s\r\nContent-Disposition: form-data; name="%s"; filename="%s"\r\nContent-Type: %s\r\n\r\n'
            % (boundary, name, filename, ctype)).encode()
    end = ("\r\n--%s--\r\n" % boundary).encode() if tail is None else tail
    return head + data + end


@pytest.fixture
def server(tmp_path):
    data = start_server(tmp_path / "srv", port=0, proxy_user="u", proxy_password="p")
    yield data
    data.server.shutdown()
    data.server.server_close()


def post(server, target, payload, boundary=B, headers=None, length=None):
    conn = http.client.HTTPConnection("127.0.0.1", server.server.server_address[1], timeout=10)
    conn.putrequest("POST", target, skip_accept_encoding=True)
    conn.putheader("Content-Type", "multipart/form-data; boundary=" + boundary)
    conn.putheader("Content-Length", str(len(payload) if length is None else length))
    for k, v in (headers or {}).items():
        conn.putheader(k, v)
    conn.endheaders()
    conn.send(payload)
    response = conn.getresponse()
    result = response.status, response.read()
    conn.close()
    return result


@pytest.mark.parametrize("what,payload,boundary", [
    ("boundary of another form", body(boundary="XYZ"), "XYZ"),
    ("wrong part name", body(name="File"), B),
    ("bare file name", body(filename="a.xml"), B),
    ("no trailing boundary", body(tail=b"\r\n"), B),
    ("trailing boundary without CRLF before it", body(tail=("--%s--\r\n" % B).encode()), B),
    ("file part without content type", body(ctype=""), B),
])
def test_malformed_uploads_are_refused_and_not_stored(server, what, payload, boundary):
    status, _ = post(server, "/aud1/report", payload, boundary)
    assert status == 400, what
    assert server.documents("aud1") == {}
    assert server.requests()[-1]["problems"], what


def test_declared_length_must_match(server):
    payload = body()
    status, _ = post(server, "/aud1/report", payload, length=len(payload) - 1)
    assert status == 400
    assert server.documents("aud1") == {}


@pytest.mark.parametrize("behaviour,status,answer", [
    ("report", 200, b"4"), ("wrong", 200, b"5"), ("notfound", 404, b""), ("error", 500, b""), ("empty", 200, b""),
])
def test_answers_per_path(server, behaviour, status, answer):
    assert post(server, "/aud1/" + behaviour, body()) == (status, answer)


def test_good_upload_is_stored_per_audit_with_its_bytes(server):
    data = bytes(range(256)) * 3
    assert post(server, "/aud7/report", body(data=data, ctype="application/octet-stream")) == (200, b"768")
    assert server.documents("aud7") == {"a.xml": data}
    record = server.requests()[-1]
    assert record["path"] == "/aud7/report" and not record["absolute"]
    assert server.body(record["number"]).endswith(("--%s--\r\n" % B).encode())


def test_refuse_flag_answers_500_until_removed(server):
    server.refuse()
    assert post(server, "/aud1/report", body())[0] == 500
    server.refuse(False)
    assert post(server, "/aud1/report", body())[0] == 200


def test_absolute_url_needs_the_proxy_credentials(server):
    target = "http://audit.invalid/aud2/report"
    assert post(server, target, body())[0] == 407
    assert post(server, target, body(), headers={"Proxy-Authorization": "Basic dTp4"})[0] == 407
    assert post(server, target, body(), headers={"Proxy-Authorization": "Basic dTpw"}) == (200, b"4")
    record = server.requests()[-1]
    assert record["absolute"] and record["path"] == "/aud2/report"
    assert "Proxy-Authorization: Basic dTpw" in server.head(record["number"])
