#!/usr/bin/python3
"""Writes the engine stand-ins' signature file "Qel.sig" from a text description.

usage: make_qelsig.py DESCRIPTION OUTPUT

The description has one statement per line ('#' starts a comment):
    set NUMBER                      info item 1, the signature set number
    date YYYY-MM-DD hh:mm:ss        info item 2 (as seconds since 1970 UTC) and the 19-character text
    usable 0|1                      info item 3
    sig NUMBER TYPE SUBTYPE NAME hex:BYTES | text:TEXT | md5:DIGEST
A pattern matches anywhere in a file; an md5 signature matches a whole file. Patterns are written in
hexadecimal (or as text with \\xNN escapes) so that no description holds the bytes it looks for.
The binary layout is described in outside/zokas/QelSig.h.
"""
import calendar
import hashlib
import re
import struct
import sys
import time

MAGIC = b"QELSIGv1"
MASK = 0x5A
KIND_PATTERN, KIND_MD5 = 1, 2


def parse(lines):
    header = {"set": 0, "date": "1970-01-01 00:00:00", "usable": 1}
    signatures = []
    for number, raw in enumerate(lines, 1):
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        word, _, rest = line.partition(" ")
        rest = rest.strip()
        if word == "set":
            header["set"] = int(rest, 0)
        elif word == "usable":
            header["usable"] = int(rest, 0)
        elif word == "date":
            if not re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", rest):
                raise ValueError(f"line {number}: date must be YYYY-MM-DD hh:mm:ss")
            header["date"] = rest
        elif word == "sig":
            fields = rest.split()
            if len(fields) != 5:
                raise ValueError(f"line {number}: sig NUMBER TYPE SUBTYPE NAME DATA")
            ident, mtype, subtype = (int(f, 0) for f in fields[:3])
            name, data = fields[3], fields[4]
            how, _, value = data.partition(":")
            if how == "hex":
                kind, payload = KIND_PATTERN, bytes.fromhex(value)
            elif how == "text":
                kind, payload = KIND_PATTERN, value.encode("latin-1").decode("unicode_escape").encode("latin-1")
            elif how == "md5":
                kind, payload = KIND_MD5, bytes.fromhex(value)
                if len(payload) != 16:
                    raise ValueError(f"line {number}: an md5 has 16 bytes")
            else:
                raise ValueError(f"line {number}: data must be hex:, text: or md5:")
            if not payload or len(payload) > 4096 or len(name) > 255:
                raise ValueError(f"line {number}: empty or too long")
            signatures.append((ident, mtype, subtype, kind, name.encode("latin-1"), payload))
        else:
            raise ValueError(f"line {number}: unknown statement {word}")
    return header, signatures


def serialise(header, signatures):
    seconds = calendar.timegm(time.strptime(header["date"], "%Y-%m-%d %H:%M:%S"))
    out = bytearray(MAGIC)
    out += struct.pack("<IIII", 1, header["set"], seconds, header["usable"])
    out += header["date"].encode("ascii").ljust(20, b"\0")
    out += struct.pack("<I", len(signatures))
    for ident, mtype, subtype, kind, name, payload in signatures:
        out += struct.pack("<IIIIII", ident, mtype, subtype, kind, len(name), len(payload))
        out += name
        out += bytes(b ^ MASK for b in payload) if kind == KIND_PATTERN else payload
    out += hashlib.md5(out).digest()
    return bytes(out)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], encoding="utf-8") as f:
        header, signatures = parse(f.readlines())
    with open(sys.argv[2], "wb") as f:
        f.write(serialise(header, signatures))
    return 0


if __name__ == "__main__":
    sys.exit(main())
