"""The harness helpers that later tests lean on: registry access in the programs' view and the
per-program Windows version."""
import uuid

from conftest import reg_delete, reg_query, reg_set, run_win, windows_version


def test_registry_round_trip_in_the_programs_view():
    key = "HKLM\\Software\\KVAuditTests\\" + uuid.uuid4().hex
    assert reg_query(key, "Value") is None
    reg_set(key, "Value", "{0f8fad5b-d9cb-469f-a165-70867728950e}")
    assert reg_query(key, "Value") == "{0f8fad5b-d9cb-469f-a165-70867728950e}"
    reg_delete(key)
    assert reg_query(key, "Value") is None


def test_windows_version_per_program(tmp_path):
    # cmd's "ver" prints the version the system reports to that program.
    with windows_version("cmd.exe", "winxp"):
        xp = run_win("cmd.exe", "/c", "ver").stdout
    seven = run_win("cmd.exe", "/c", "ver").stdout
    assert "5.1" in xp, xp
    assert "6.1" in seven, seven
