"""The reference audit server (tools/auditserver) for end-to-end tests, and what it recorded."""
import json
import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "auditserver"))
import auditserver  # noqa: E402


class ServerData:
    def __init__(self, root, server):
        self.root = pathlib.Path(root)
        self.server = server

    def requests(self):
        path = self.root / "requests.jsonl"
        if not path.exists():
            return []
        return [json.loads(line) for line in path.read_text().splitlines()]

    def head(self, number):
        return (self.root / "requests" / ("%04d.head" % number)).read_bytes().decode("latin-1")

    def body(self, number):
        return (self.root / "requests" / ("%04d.body" % number)).read_bytes()

    def documents(self, audit):
        folder = self.root / "audits" / audit
        return {p.name: p.read_bytes() for p in folder.iterdir()} if folder.exists() else {}

    def refuse(self, on=True):
        flag = self.root / "refuse"
        if on:
            flag.write_text("")
        elif flag.exists():
            flag.unlink()


def start_server(root, port=80, **kwargs):
    server = auditserver.start(root, port=port, **kwargs)
    return ServerData(root, server)


@pytest.fixture
def audit_server(tmp_path):
    """The server on 127.0.0.1:80 (inside the sandbox's network namespace)."""
    data = start_server(tmp_path / "server")
    yield data
    data.server.shutdown()
    data.server.server_close()


@pytest.fixture
def proxy_server(tmp_path):
    """The server on 127.0.0.1:80 asking proxy requests for the credentials proxyuser / s3cr3t."""
    data = start_server(tmp_path / "server", proxy_user="proxyuser", proxy_password="s3cr3t")
    yield data
    data.server.shutdown()
    data.server.server_close()
