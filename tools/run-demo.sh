#!/usr/bin/env bash
# The main job: sets up the machine, builds everything and runs a whole audit: an audit package is
# built from the client files of dist/ and a sample configuration that delivers to the reference audit
# server (tools/auditserver, on 127.0.0.1:80 inside the sandbox's private network namespace). The
# package runs under Wine, KVScan starts from the work folder it unpacked, audits a sample folder
# holding the EICAR test file (made here, never committed) and posts its documents to the server.
# What the server received is printed: the audit, each request, the documents (decrypted) and the
# detection. Then lytczip builds an archive of the shipped DLLs and unzip lists it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
test_build=$(bash "$root/tools/test-build.sh")
demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo"
win() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

# --- the audit package -------------------------------------------------------------------------
mkdir -p "$demo/sample"
printf '%s' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*' >"$demo/sample/eicar.com"
printf 'nothing to find here\r\n' >"$demo/sample/clean.txt"
audit="{5a3f1c2e-0d4b-4e8a-9c71-2b6d8e0f4a19}"
printf '%s\r\n' "[KVSCAN_MAINCONFIG]" "AuditGUID=$audit" \
    "AppRefVersion=3300020003000004ABCDEF0123456789" "CheckAdmin=no" "ObtainMalwarePath=yes" \
    "QueriesURL=http://127.0.0.1/test" "ReportsURL=http://127.0.0.1/demo-audit/report" "" \
    "[KVSCAN_SCANCONFIG]" "ShowProgress=no" "MemoryAnalysis=no" "AllDiskAnalysis=no" "OutlookAnalysis=no" \
    "OEAnalysis=no" "PathAnalysis=$(win "$demo/sample")" "" \
    "[KVSCAN_PROCESS]" "Command1=KVScan.exe" "Wait1=yes" >"$demo/sample-config.ini"
log="$test_build/wineprefix/drive_c/ProgramData/KVLog/KVLog.log"
package_run='
set -euo pipefail
/usr/bin/python3 "$ROOT/tools/auditserver/auditserver.py" --root "$DEMO/server" >"$DEMO/server.txt" 2>&1 &
server=$!
trap "kill $server 2>/dev/null || true" EXIT
for _ in $(seq 1 100); do grep -q "audit server on" "$DEMO/server.txt" && break; sleep 0.1; done
"$KV_BUILD_DIR/wine-run" "$KV_BUILD_DIR/bin/kvpack.exe" "$LAUNCHER" "$CLIENT" "$CONFIG" "$PACKAGE"
start=$(stat -c %s "$LOG" 2>/dev/null || echo 0)
set +e
"$KV_BUILD_DIR/wine-run" "$PACKAGE"
code=$?
set -e
echo "package exit code: $code"
for _ in $(seq 1 1200); do
    tail -c +$((start + 1)) "$LOG" 2>/dev/null | grep -q "KvScan.*Exiting with return value" && break
    sleep 0.1
done
echo "--- KVLog lines of this run (launcher and scanner) ---"
tail -c +$((start + 1)) "$LOG" | tr -d "\r" | cut -f4,7 |
    grep -E "^KVPacket|KvScan starting from directory|Delivery mode|internet connection|Exiting with return value|AnalysisData file|AnalysisDetails file|by URL: result"
echo "=== what the audit server received ==="
/usr/bin/python3 - "$DEMO/server" <<"PYTHON"
import json, pathlib, sys
root = pathlib.Path(sys.argv[1])
log = root / "requests.jsonl"
for line in (log.read_text().splitlines() if log.exists() else []):
    r = json.loads(line)
    print("request %(number)d: %(method)s %(path)s -> %(status)s" % r, "problems: %s" % r["problems"] if r["problems"] else "")
audits = root / "audits"
for folder in sorted(audits.iterdir()) if audits.exists() else []:
    print("audit %s: %s" % (folder.name, ", ".join(sorted(p.name for p in folder.iterdir()))))
PYTHON
# The documents are encrypted like the configuration that came in the package: kvcrypt shows them.
mkdir -p "$DEMO/documents"
for document in "$DEMO"/server/audits/*/*.xml; do
    [ -e "$document" ] || continue
    name=$(basename "$document")
    "$KV_BUILD_DIR/wine-run" "$KV_BUILD_DIR/bin/kvcrypt.exe" decrypt "$DEMO_WIN\\server\\audits\\demo-audit\\$name" \
        "$DEMO_WIN\\documents\\$name"
    echo "--- $name (as received, decrypted) ---"
    tr -d "\r" <"$DEMO/documents/$name"; echo
done
echo "=== detections in the received documents ==="
grep -h -o "<MalwareName>[^<]*</MalwareName>" "$DEMO"/documents/*.xml 2>/dev/null || echo "(none)"
'
KV_BUILD_DIR="$test_build" LAUNCHER="$(win "$test_build/dist/KVPacket.exe")" CLIENT="$(win "$test_build/dist")" \
    CONFIG="$(win "$demo/sample-config.ini")" PACKAGE="$(win "$demo/audit-package.exe")" LOG="$log" \
    DEMO="$demo" DEMO_WIN="$(win "$demo")" ROOT="$root" \
    bash "$root/tools/sandbox.sh" bash -c "$package_run" | tee "$demo/package-run.txt"
grep -q "KvScan	KvScan starting from directory: \[.*\\\\KVScan\]" "$demo/package-run.txt" ||
    { echo "run-demo: KVScan did not start from the work folder" >&2; exit 1; }
grep -q "^audit demo-audit: .*{00000000-0000-0000-0000-000000000000}.xml" "$demo/package-run.txt" ||
    { echo "run-demo: the audit server did not receive the analysis documents" >&2; exit 1; }

# --- lytczip ---------------------------------------------------------------------------------------
args=()
for f in "$root"/build/dist/*.dll; do
    args+=("dist/$(basename "$f")" "Z:${f//\//\\}")
done
KV_BUILD_DIR="$test_build" bash "$root/tools/sandbox.sh" \
    "$test_build/wine-run" "$test_build/bin/zipmake.exe" "Z:${demo//\//\\}\\demo.zip" "${args[@]}"
unzip -l "$demo/demo.zip"
unzip -tq "$demo/demo.zip"
