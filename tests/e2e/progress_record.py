"""The 1352-byte progress record as the administrator's console reads it (and as another client's
record is written for a test)."""
import struct

RECORD_SIZE = 1352
# (field, offset, characters) of the record's UTF-16LE texts
TEXTS = [("audit", 4, 50), ("progress_id", 104, 50), ("instance", 204, 50), ("destination", 308, 260),
         ("reports", 828, 50), ("suspicious", 928, 50), ("quarantine", 1028, 50), ("statistics", 1152, 50),
         ("filtered", 1252, 50)]
NUMBERS = [("size", 0), ("kind", 304), ("status", 1128), ("percentage", 1148)]


def read_record(data):
    """The fields of a record given as bytes or as a path; "time" is the SYSTEMTIME's eight numbers."""
    if not isinstance(data, (bytes, bytearray)):
        data = data.read_bytes()
    assert len(data) == RECORD_SIZE, len(data)
    record = {name: data[at:at + 2 * chars].decode("utf-16-le").split("\0", 1)[0] for name, at, chars in TEXTS}
    record.update({name: struct.unpack_from("<i", data, at)[0] for name, at in NUMBERS})
    record["time"] = struct.unpack_from("<8H", data, 1132)
    return record


def record_bytes(**fields):
    """A record as another client writes it."""
    data = bytearray(RECORD_SIZE)
    for name, at, chars in TEXTS:
        text = fields.get(name, "").encode("utf-16-le")[:2 * (chars - 1)]
        data[at:at + len(text)] = text
    for name, at in NUMBERS:
        struct.pack_into("<i", data, at, fields.get(name, RECORD_SIZE if name == "size" else 0))
    return bytes(data)
