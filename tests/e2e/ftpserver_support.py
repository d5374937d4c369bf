"""An FTP server for end-to-end tests (pyftpdlib, in a thread of the pytest process, on 127.0.0.1).

It serves a temporary folder, accepts anonymous logins and the user FTP_USER / FTP_PASSWORD (both may
write), records every command with its argument, and refuses chosen uploads with 550:

    def test_x(ftp_server):
        ftp_server.refuse_stor("*.xml")
        ... upload to "ftp://127.0.0.1:%d/" % ftp_server.port ...
        assert ("PASV", "") in ftp_server.commands()
        assert (ftp_server.root / "audits").is_dir()

start_ftp_server(root, port) gives the same object on a chosen port (close() it when done).
"""
import fnmatch
import logging
import pathlib
import posixpath
import threading
import warnings

import pytest
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

FTP_USER = "kvuser"
FTP_PASSWORD = "s3cr3t-pass"
_WRITE = "elradfmwMT"

# A handler of its own keeps pyftpdlib from configuring logging to stderr itself.
_log = logging.getLogger("pyftpdlib")
_log.setLevel(logging.WARNING)
_log.addHandler(logging.NullHandler())


class RecordingFtpServer:
    def __init__(self, root, port=0):
        self.root = pathlib.Path(root)
        self.root.mkdir(parents=True, exist_ok=True)
        self._lock = threading.Lock()
        self._commands = []
        self._refused = []
        self._stop = threading.Event()

        authorizer = DummyAuthorizer()
        authorizer.add_user(FTP_USER, FTP_PASSWORD, str(self.root), perm=_WRITE)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", RuntimeWarning)  # anonymous may write: wanted here
            authorizer.add_anonymous(str(self.root), perm=_WRITE)
        owner = self

        class Handler(FTPHandler):
            def pre_process_command(self, line, cmd, arg):
                owner._record(cmd, arg or "")
                return super().pre_process_command(line, cmd, arg)

            def ftp_STOR(self, file, mode="w"):
                if owner._is_refused(posixpath.basename(file.replace("\\", "/"))):
                    self.respond("550 Upload refused by the test.")
                    return None
                return super().ftp_STOR(file, mode)

        Handler.authorizer = authorizer
        Handler.banner = "test server ready."
        self._server = FTPServer(("127.0.0.1", port), Handler)
        self.port = self._server.address[1]
        self._thread = threading.Thread(target=self._serve, name="ftp-server", daemon=True)
        self._thread.start()

    def _serve(self):
        while not self._stop.is_set():
            self._server.ioloop.loop(timeout=0.05, blocking=False)
        self._server.close_all()

    def _record(self, cmd, arg):
        with self._lock:
            self._commands.append((cmd, arg))

    def _is_refused(self, name):
        with self._lock:
            return any(fnmatch.fnmatchcase(name, pattern) for pattern in self._refused)

    def commands(self):
        """Every command received so far, as (verb, argument) pairs in arrival order."""
        with self._lock:
            return list(self._commands)

    def verbs(self):
        return [cmd for cmd, _ in self.commands()]

    def refuse_stor(self, pattern):
        """Answers 550 to every STOR whose file name (without folders) matches the glob pattern."""
        with self._lock:
            self._refused.append(pattern)

    def allow_stor(self):
        """Accepts every upload again."""
        with self._lock:
            self._refused.clear()

    def files(self):
        """Every file under the served folder, as '/'-joined paths relative to it, with its bytes."""
        return {"/" + p.relative_to(self.root).as_posix(): p.read_bytes()
                for p in self.root.rglob("*") if p.is_file()}

    def close(self):
        self._stop.set()
        self._thread.join(timeout=10)


def start_ftp_server(root, port=0):
    return RecordingFtpServer(root, port)


@pytest.fixture
def ftp_server(tmp_path):
    """A server on a free port of 127.0.0.1 serving tmp_path / "ftproot"."""
    server = start_ftp_server(tmp_path / "ftproot")
    yield server
    server.close()
