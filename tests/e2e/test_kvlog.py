"""The log stand-in: concurrent writers from several threads and two processes."""
import re
import uuid

from conftest import BIN, start_win

THREADS, LINES = 8, 150


def test_concurrent_lines_all_arrive_whole(kvlog):
    tags = [uuid.uuid4().hex[:8] for _ in range(2)]
    processes = [start_win(BIN / "logstorm.exe", tag, THREADS, LINES) for tag in tags]
    for p in processes:
        assert p.wait(timeout=120) == 0

    pattern = re.compile(r"^logstorm (\w+) thread (\d+) line (\d+) ([a-z])\4{199} end$")
    seen = set()
    for time, pid, tid, module, source, line, message in kvlog.records():
        if module != "LogStorm":
            continue
        m = pattern.match(message)
        assert m, f"torn or mixed line: {message!r}"
        tag, thread, number = m.group(1), int(m.group(2)), int(m.group(3))
        assert m.group(4) == chr(ord("a") + thread % 26)
        assert re.match(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$", time)
        assert source.endswith("logstorm.cpp") and int(line) > 0 and int(pid) and int(tid)
        assert (tag, thread, number) not in seen
        seen.add((tag, thread, number))
    expected = {(tag, t, n) for tag in tags for t in range(THREADS) for n in range(LINES)}
    assert seen == expected
