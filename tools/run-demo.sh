#!/usr/bin/env bash
# The main job: sets up the machine, builds everything and runs the most complete thing that
# exists: an audit package is built from the client files of dist/ and a plain sample
# configuration, run under Wine, and KVScan starts from the work folder the package unpacked
# (the KVLog lines show it). Then lytczip builds an archive of the shipped DLLs and unzip lists it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
test_build=$(bash "$root/tools/test-build.sh")
demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo"
win() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

# --- the audit package -------------------------------------------------------------------------
printf '%s\r\n' "[KVSCAN_MAINCONFIG]" "AuditGUID={5a3f1c2e-0d4b-4e8a-9c71-2b6d8e0f4a19}" "CheckAdmin=no" "" \
    "[KVSCAN_SCANCONFIG]" "ShowProgress=no" >"$demo/sample-config.ini"
log="$test_build/wineprefix/drive_c/ProgramData/KVLog/KVLog.log"
package_run='
set -euo pipefail
"$KV_BUILD_DIR/wine-run" "$KV_BUILD_DIR/bin/kvpack.exe" "$LAUNCHER" "$CLIENT" "$CONFIG" "$PACKAGE"
start=$(stat -c %s "$LOG" 2>/dev/null || echo 0)
set +e
"$KV_BUILD_DIR/wine-run" "$PACKAGE"
code=$?
set -e
echo "package exit code: $code"
for _ in $(seq 1 600); do
    tail -c +$((start + 1)) "$LOG" 2>/dev/null | grep -q "KvScan.*Exiting with return value" && break
    sleep 0.1
done
echo "--- KVLog lines of this run (launcher and scanner) ---"
tail -c +$((start + 1)) "$LOG" | tr -d "\r" | cut -f4,7 |
    grep -E "^KVPacket|KvScan starting from directory|Checking minimun|System requirements|Exiting with return value"
'
KV_BUILD_DIR="$test_build" LAUNCHER="$(win "$test_build/dist/KVPacket.exe")" CLIENT="$(win "$test_build/dist")" \
    CONFIG="$(win "$demo/sample-config.ini")" PACKAGE="$(win "$demo/audit-package.exe")" LOG="$log" \
    bash "$root/tools/sandbox.sh" bash -c "$package_run" | tee "$demo/package-run.txt"
grep -q "KvScan	KvScan starting from directory: \[.*\\\\KVScan\]" "$demo/package-run.txt" ||
    { echo "run-demo: KVScan did not start from the work folder" >&2; exit 1; }

# --- lytczip ---------------------------------------------------------------------------------------
args=()
for f in "$root"/build/dist/*.dll; do
    args+=("dist/$(basename "$f")" "Z:${f//\//\\}")
done
KV_BUILD_DIR="$test_build" bash "$root/tools/sandbox.sh" \
    "$test_build/wine-run" "$test_build/bin/zipmake.exe" "Z:${demo//\//\\}\\demo.zip" "${args[@]}"
unzip -l "$demo/demo.zip"
unzip -tq "$demo/demo.zip"
