"""Archives that lytczip builds under Wine, checked by tools that share none of its code."""
import datetime
import os
import random
import subprocess
import zipfile
import zlib

import pytest

from conftest import BIN, run_win, winpath

SIZES = [0, 1, 2047, 2048, 2049, 4096]


def make_archive(tmp_path, entries):
    """entries: {name: bytes}; returns the archive path."""
    args = []
    for i, (name, data) in enumerate(entries.items()):
        source = tmp_path / f"in{i}.bin"
        source.write_bytes(data)
        args += [name, winpath(source)]
    archive = tmp_path / "out.zip"
    result = run_win(BIN / "zipmake.exe", winpath(archive), *args)
    assert result.returncode == 0, result.stderr
    return archive


def check_independently(archive, entries):
    test = subprocess.run(["unzip", "-t", str(archive)], capture_output=True, text=True)
    assert test.returncode == 0, test.stdout + test.stderr
    with zipfile.ZipFile(archive) as z:
        assert z.testzip() is None
        infos = z.infolist()
        assert [i.filename for i in infos] == list(entries)
        for info in infos:
            data = entries[info.filename]
            assert info.compress_type == zipfile.ZIP_DEFLATED
            assert info.file_size == len(data)
            assert info.CRC == zlib.crc32(data)
            assert z.read(info) == data
            assert info.date_time[0] == datetime.date.today().year


@pytest.mark.parametrize("size", SIZES)
def test_single_entry_of_each_size(tmp_path, size):
    entries = {f"entry{size}.bin": bytes(random.Random(size).getrandbits(8) for _ in range(size))}
    check_independently(make_archive(tmp_path, entries), entries)


def test_random_200kb_entry(tmp_path):
    entries = {"random.bin": os.urandom(200 * 1024 + 17)}
    check_independently(make_archive(tmp_path, entries), entries)


def test_several_entries_in_one_archive(tmp_path):
    entries = {f"folder/entry{size}.txt": (b"line of text %d\n" % size) * (size // 16) for size in SIZES}
    entries["random.bin"] = os.urandom(70000)
    entries["Statistics{0D1E}.xml"] = b"<?xml version=\"1.0\"?><Statistics/>"
    check_independently(make_archive(tmp_path, entries), entries)


def test_empty_archive(tmp_path):
    archive = make_archive(tmp_path, {})
    assert archive.read_bytes() == b"PK\x05\x06" + bytes(18)
    with zipfile.ZipFile(archive) as z:
        assert z.namelist() == []
