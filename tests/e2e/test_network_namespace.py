"""A Windows program under Wine reaches a Python HTTP server on 127.0.0.1:80 in the sandbox."""
import http.server
import threading

import pytest

from conftest import BIN, run_win, winpath


@pytest.fixture
def http_server():
    requests = []

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            requests.append((self.path, dict(self.headers)))
            body = f"answer for {self.path}".encode()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 80), Handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield requests
    server.shutdown()
    server.server_close()


def test_wininet_reaches_server_on_port_80(http_server, tmp_path):
    out = tmp_path / "body.txt"
    result = run_win(BIN / "httpget.exe", "http://127.0.0.1/probe?x=1", winpath(out))
    assert result.returncode == 0, result.stdout + result.stderr
    assert out.read_bytes() == b"answer for /probe?x=1"
    assert [path for path, _ in http_server] == ["/probe?x=1"]
    assert http_server[0][1]["User-Agent"] == "httpget"
