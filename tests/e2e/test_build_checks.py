"""The build check refuses binaries that could not ship (runs on the host, no Wine)."""
import pathlib
import shutil
import subprocess
import sys

import pytest

from conftest import ARCH, DIST, ROOT

CHECKER = ROOT / "tools" / "check_binaries.py"


def check(dist, source):
    return subprocess.run([sys.executable, str(CHECKER), str(dist), str(source)], capture_output=True, text=True)


@pytest.fixture
def layout(tmp_path):
    dist, source = tmp_path / "dist", tmp_path / "src"
    dist.mkdir()
    source.mkdir()
    shutil.copy(DIST / "lytczip.dll", dist)
    shutil.copy(ROOT / "lytczip" / "lytczip.def", source)
    return dist, source


def test_shipped_layout_passes(layout):
    result = check(*layout)
    assert result.returncode == 0, result.stdout


@pytest.mark.parametrize("edit, complaint", [
    (lambda d: d.replace("CZIPGetLastError    @6", "CZIPGetLastError    @7"), "has ordinal 6"),
    (lambda d: d + "    CZIPExtra           @7\n", "differ from lytczip.def"),
    (lambda d: d.replace("    CZIPFinalize        @2\n", ""), "differ from lytczip.def"),
    (lambda d: d.replace("LIBRARY lytczip.dll", "LIBRARY other.dll"), "no .def file names this library"),
])
def test_export_mismatch_fails(layout, edit, complaint):
    dist, source = layout
    def_file = source / "lytczip.def"
    def_file.write_text(edit(def_file.read_text()))
    result = check(dist, source)
    assert result.returncode == 1
    assert complaint in result.stdout


def test_runtime_import_and_missing_resources_fail(layout, tmp_path):
    dist, source = layout
    compiler = f"{ARCH}-w64-mingw32-g++-posix"
    src = tmp_path / "bad.cpp"
    src.write_text('#include <string>\nextern "C" __declspec(dllexport) int Bad(const char* s)'
                   ' { return (int)std::string(s).size(); }\n')
    subprocess.run([compiler, "-shared", "-o", str(dist / "bad.dll"), str(src)], check=True)
    (source / "bad.def").write_text("LIBRARY bad.dll\nEXPORTS\n    Bad\n")
    result = check(dist, source)
    assert result.returncode == 1
    assert "bad.dll: imports the MinGW runtime" in result.stdout
    assert "bad.dll: no VERSIONINFO resource" in result.stdout
