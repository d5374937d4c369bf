#!/usr/bin/python3
"""Checks what lands in dist/ before it can ship.

- No binary imports a MinGW runtime DLL (a user's PC has none of them).
- Every DLL's exports equal its .def file (names and, where the .def gives them, ordinals).
- Every binary carries a VERSIONINFO resource, and every executable a manifest.

usage: check_binaries.py DIST_DIR SOURCE_DIR
"""
import pathlib
import re
import struct
import subprocess
import sys

OBJDUMP = {0x14C: "i686-w64-mingw32-objdump", 0x8664: "x86_64-w64-mingw32-objdump"}
RUNTIME_DLLS = re.compile(r"^(libgcc|libstdc\+\+|libwinpthread|libssp|libgomp|libatomic)", re.I)
RT_VERSION, RT_MANIFEST = 16, 24


def machine(path):
    data = path.read_bytes()[:4096]
    return struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0]


def objdump(path):
    tool = OBJDUMP[machine(path)]
    return subprocess.run([tool, "-p", str(path)], check=True, capture_output=True, text=True).stdout


def imports(dump):
    return re.findall(r"^\s*DLL Name: (\S+)", dump, re.M)


def exports(dump):
    """{name: ordinal} from objdump's [Ordinal/Name Pointer] table (index + ordinal base)."""
    table = {}
    section = dump.split("[Ordinal/Name Pointer] Table", 1)
    if len(section) < 2:
        return table
    base = int(re.search(r"Ordinal Base\s+(\d+)", dump).group(1))
    for line in section[1].splitlines()[1:]:
        m = re.match(r"^\s*\[\s*(\d+)\]\s+(\S+)\s*$", line)
        if not m:
            break
        table[m.group(2)] = int(m.group(1)) + base
    return table


def def_exports(def_path):
    """(library name, {name: ordinal or None}) from a .def file."""
    library, table, in_exports = None, {}, False
    for raw in def_path.read_text().splitlines():
        line = raw.split(";", 1)[0].strip()
        if not line:
            continue
        m = re.match(r"LIBRARY\s+\"?([^\s\"]+)", line, re.I)
        if m:
            library = m.group(1)
            continue
        if re.match(r"EXPORTS\b", line, re.I):
            in_exports = True
            continue
        if in_exports:
            m = re.match(r"([A-Za-z_][\w@?$]*)(?:\s*=\s*\S+)?(?:\s+@(\d+))?", line)
            if m:
                name = m.group(1).split("@")[0] if "@" in m.group(1) and not m.group(1).startswith("?") else m.group(1)
                table[name] = int(m.group(2)) if m.group(2) else None
    return library, table


def resource_types(path):
    """Top-level resource type ids of a PE file."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    rva, size = struct.unpack_from("<II", data, dirs + 2 * 8)
    if not rva:
        return set()
    table = opt + opt_size
    for i in range(sections):
        s = table + 40 * i
        vsize, vaddr, rsize, rptr = struct.unpack_from("<IIII", data, s + 8)
        if vaddr <= rva < vaddr + max(vsize, rsize):
            base = rptr + (rva - vaddr)
            named, ids = struct.unpack_from("<HH", data, base + 12)
            types = set()
            for e in range(named + ids):
                ident, _ = struct.unpack_from("<II", data, base + 16 + 8 * e)
                if not ident & 0x80000000:
                    types.add(ident)
            return types
    return set()


def main():
    dist, source = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    problems = []
    binaries = sorted(p for p in dist.iterdir() if p.suffix.lower() in (".exe", ".dll"))
    if not binaries:
        problems.append(f"{dist}: no binaries")
    defs = {}
    for d in source.rglob("*.def"):
        if any(part.startswith("build") for part in d.relative_to(source).parts):
            continue
        library, table = def_exports(d)
        if library:
            defs[library.lower()] = (d, table)

    for b in binaries:
        dump = objdump(b)
        for dll in imports(dump):
            if RUNTIME_DLLS.match(dll):
                problems.append(f"{b.name}: imports the MinGW runtime {dll}")
        types = resource_types(b)
        if RT_VERSION not in types:
            problems.append(f"{b.name}: no VERSIONINFO resource")
        if b.suffix.lower() == ".exe" and RT_MANIFEST not in types:
            problems.append(f"{b.name}: no manifest")
        if b.suffix.lower() == ".dll":
            entry = defs.get(b.name.lower())
            if entry is None:
                problems.append(f"{b.name}: no .def file names this library")
                continue
            def_path, wanted = entry
            have = exports(dump)
            if set(have) != set(wanted):
                problems.append(f"{b.name}: exports {sorted(have)} differ from {def_path.name} {sorted(wanted)}")
            for name, ordinal in wanted.items():
                if ordinal is not None and have.get(name) != ordinal:
                    problems.append(f"{b.name}: {name} has ordinal {have.get(name)}, {def_path.name} says {ordinal}")

    for p in problems:
        print("FAIL:", p)
    print(f"checked {len(binaries)} binaries in {dist}: {'ok' if not problems else f'{len(problems)} problems'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
