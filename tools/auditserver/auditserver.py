#!/usr/bin/python3
"""Reference audit server for development and tests (Python standard library only).

It accepts origin-form and absolute-URL request lines, so it also plays the proxy for made-up host
names. Every request's raw head and body are recorded; multipart uploads are checked strictly and
the received documents are stored per audit. What each path answers:

    /<audit>/report      POST  size echo: the decimal length of the uploaded file
    /<audit>/suspicious  POST  size echo plus 32       /<audit>/qem  POST  size echo plus 33
    /<audit>/stats       POST  200 with an empty body  (statistics: status only)
    /<audit>/wrong       POST  the file length plus one (a wrong number)
    /<audit>/notfound    404   /<audit>/error  500     /<audit>/empty  200 with an empty body
    /test, anything GET        200 "OK"

A file named "refuse" in the data folder makes every upload answer 500 until it is removed. With
--proxy-user, absolute-URL requests get 407 until the right Basic credentials arrive.

Data folder layout: requests/NNNN.head, requests/NNNN.body, requests.jsonl (one line per request:
number, method, target, path, status, problems), audits/<audit>/<file name> (accepted uploads).
"""
import argparse
import base64
import json
import os
import pathlib
import re
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

BOUNDARY_RE = re.compile(r"^----MORVIK-[0-9a-f]{32}-$")
FILE_PART_NAMES = {"report": "Report", "wrong": "Report", "stats": "flFicheroSubida",
                   "notfound": None, "error": None, "empty": None, "suspicious": None, "qem": None}
WINDOWS_PATH_RE = re.compile(r"^[A-Za-z]:\\(?:[^\\/:*?\"<>|\r\n]+\\)*[^\\/:*?\"<>|\r\n]+$")
NAME_RE = re.compile(r"^[A-Za-z0-9_.{}-]+$")


class MultipartError(ValueError):
    pass


def parse_multipart(content_type, body, expect_name=None):
    """Checks an upload body strictly; returns (boundary, parts) where parts are dicts with name,
    filename (or None), content_type (or None) and data. Raises MultipartError on any deviation."""
    prefix = "multipart/form-data; boundary="
    if not content_type or not content_type.startswith(prefix):
        raise MultipartError("content type is not multipart/form-data with a boundary: %r" % content_type)
    boundary = content_type[len(prefix):]
    if not BOUNDARY_RE.match(boundary):
        raise MultipartError("boundary of the wrong form: %r" % boundary)
    delimiter = b"--" + boundary.encode("ascii")
    closing = delimiter + b"--\r\n"
    if not body.endswith(b"\r\n" + closing) and not body.endswith(closing):
        raise MultipartError("body does not end with the trailing boundary")
    if not body.startswith(delimiter + b"\r\n"):
        raise MultipartError("body does not start with the boundary")
    inner = body[len(delimiter) + 2:len(body) - len(closing)]
    chunks = inner.split(b"\r\n" + delimiter + b"\r\n")
    parts = []
    for i, chunk in enumerate(chunks):
        last = i == len(chunks) - 1
        if last:
            if not chunk.endswith(b"\r\n"):
                raise MultipartError("last part not followed by CRLF before the trailing boundary")
            chunk = chunk[:-2]
        head, sep, data = chunk.partition(b"\r\n\r\n")
        if not sep:
            raise MultipartError("part %d has no blank line after its headers" % i)
        lines = head.decode("latin-1").split("\r\n")
        m = re.match(r'^Content-Disposition: form-data; name="([^"]*)"(?:; filename="([^"]*)")?$', lines[0])
        if not m:
            raise MultipartError("part %d: bad disposition %r" % (i, lines[0]))
        part = {"name": m.group(1), "filename": m.group(2), "content_type": None, "data": data}
        for line in lines[1:]:
            if not line.startswith("Content-Type: ") or part["content_type"] is not None:
                raise MultipartError("part %d: unexpected header %r" % (i, line))
            part["content_type"] = line[len("Content-Type: "):]
        if part["filename"] is not None and not part["content_type"]:
            raise MultipartError("file part without a content type")
        parts.append(part)
    first = parts[0]
    if first["filename"] is None:
        raise MultipartError("first part is not a file part")
    if not WINDOWS_PATH_RE.match(first["filename"]):
        raise MultipartError("filename is not a full local path: %r" % first["filename"])
    if expect_name is not None and first["name"] != expect_name:
        raise MultipartError("file part named %r, expected %r" % (first["name"], expect_name))
    return boundary, parts


def host_path(windows_path):
    """The host file behind a Wine path on drive Z:, or None."""
    if windows_path[:3].upper() != "Z:\\":
        return None
    return pathlib.Path("/" + windows_path[3:].replace("\\", "/"))


class AuditServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, root, proxy_user=None, proxy_password=None):
        super().__init__(address, AuditHandler)
        self.root = pathlib.Path(root)
        (self.root / "requests").mkdir(parents=True, exist_ok=True)
        (self.root / "audits").mkdir(parents=True, exist_ok=True)
        self.proxy_credentials = None
        if proxy_user is not None:
            pair = "%s:%s" % (proxy_user, proxy_password or "")
            self.proxy_credentials = base64.b64encode(pair.encode("latin-1")).decode("ascii")
        self.lock = threading.Lock()
        self.count = 0

    def next_number(self):
        with self.lock:
            self.count += 1
            return self.count

    def log_request_line(self, entry):
        with self.lock:
            with open(self.root / "requests.jsonl", "a") as f:
                f.write(json.dumps(entry) + "\n")


class AuditHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "AuditServer/1"

    def log_message(self, *args):
        pass

    def _answer(self, status, body=b"", extra=()):
        # Recorded before the answer leaves, so a client that has the answer finds the record.
        self._entry["status"] = status
        self.server.log_request_line(self._entry)
        self.send_response(status)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        return status

    def _read_body(self, problems):
        length = self.headers.get("Content-Length")
        if length is None:
            if self.command == "POST":
                problems.append("no Content-Length")
            return b""
        body = self.rfile.read(int(length))
        if len(body) != int(length):
            problems.append("declared length %s, received %d" % (length, len(body)))
        return body

    def _handle(self):
        number = self.server.next_number()
        problems = []
        body = self._read_body(problems)
        head = self.requestline + "\r\n" + "".join("%s: %s\r\n" % kv for kv in self.headers.items())
        base = self.server.root / "requests" / ("%04d" % number)
        base.with_suffix(".head").write_bytes(head.encode("latin-1"))
        base.with_suffix(".body").write_bytes(body)
        absolute = "://" in self.path
        path = urllib.parse.urlsplit(self.path).path if absolute else self.path.split("?")[0]
        self._entry = {"number": number, "method": self.command, "target": self.path, "path": path,
                       "absolute": absolute, "status": None, "problems": problems}
        self._route(path, absolute, body, problems)

    def _route(self, path, absolute, body, problems):
        creds = self.server.proxy_credentials
        if absolute and creds is not None:
            if self.headers.get("Proxy-Authorization") != "Basic " + creds:
                return self._answer(407, b"proxy credentials required",
                                    [("Proxy-Authenticate", 'Basic realm="audit"')])
        segments = [s for s in path.split("/") if s]
        if self.command != "POST":
            return self._answer(200, b"OK")
        if len(segments) != 2 or segments[1] not in FILE_PART_NAMES or not NAME_RE.match(segments[0]):
            return self._answer(404, b"")
        audit, behaviour = segments
        if behaviour == "notfound":
            return self._answer(404, b"")
        if behaviour == "error":
            return self._answer(500, b"")
        try:
            _, parts = parse_multipart(self.headers.get("Content-Type"), body, FILE_PART_NAMES[behaviour])
        except MultipartError as e:
            problems.append(str(e))
            return self._answer(400, str(e).encode())
        if problems:
            return self._answer(400, "; ".join(problems).encode())
        first = parts[0]
        local = host_path(first["filename"])
        if local is not None and local.is_file() and local.read_bytes() != first["data"]:
            problems.append("file bytes differ from %s" % local)
            return self._answer(400, b"file bytes changed")
        if (self.server.root / "refuse").exists():
            return self._answer(500, b"refusing uploads")
        if behaviour == "empty":
            return self._answer(200, b"")
        name = first["filename"].split("\\")[-1]
        folder = self.server.root / "audits" / audit
        folder.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(first["data"])
        size = len(first["data"])
        echo = {"report": size, "wrong": size + 1, "suspicious": size + 32, "qem": size + 33}.get(behaviour)
        return self._answer(200, b"" if echo is None else str(echo).encode())

    do_GET = do_POST = do_PUT = _handle


def start(root, host="127.0.0.1", port=80, proxy_user=None, proxy_password=None):
    """Starts a server in a background thread; call .shutdown() and .server_close() to stop it."""
    server = AuditServer((host, port), root, proxy_user, proxy_password)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser(description="Reference audit server")
    parser.add_argument("--root", required=True, help="data folder (requests, audits)")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=80)
    parser.add_argument("--proxy-user")
    parser.add_argument("--proxy-password")
    args = parser.parse_args()
    server = AuditServer((args.host, args.port), args.root, args.proxy_user, args.proxy_password)
    print("audit server on %s:%d, data in %s" % (args.host, args.port, args.root), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
