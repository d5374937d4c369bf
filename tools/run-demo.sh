#!/usr/bin/env bash
# The main job: sets up the machine, builds everything and runs the most complete thing that
# exists: lytczip builds an archive of the shipped binaries under Wine, and unzip lists it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
test_build=$(bash "$root/tools/test-build.sh")
demo="$root/build/demo"
rm -rf "$demo" && mkdir -p "$demo"
args=()
for f in "$root"/build/dist/*.dll; do
    args+=("dist/$(basename "$f")" "Z:${f//\//\\}")
done
KV_BUILD_DIR="$test_build" bash "$root/tools/sandbox.sh" \
    "$test_build/wine-run" "$test_build/bin/zipmake.exe" "Z:${demo//\//\\}\\demo.zip" "${args[@]}"
unzip -l "$demo/demo.zip"
unzip -tq "$demo/demo.zip"
