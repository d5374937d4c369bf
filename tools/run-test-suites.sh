#!/usr/bin/env bash
# Runs the build checks, ctest and pytest; all run, the result is the worst of them.
# Called inside the sandbox (tools/sandbox.sh) with KV_BUILD_DIR set to the build under test.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shipped=${KV_SHIPPED_DIST:-$KV_BUILD_DIR/dist}
/usr/bin/python3 "$root/tools/check_binaries.py" "$shipped" "$root"
checks=$?
cd "$KV_BUILD_DIR"
ctest --output-on-failure -j"$(nproc)" ${KV_CTEST_ARGS:-}
unit=$?
cd "$root"
/usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e ${KV_PYTEST_ARGS:-}
e2e=$?
[ $e2e -eq 5 ] && { echo "pytest collected no tests"; e2e=1; }
echo "shipped binary checks: exit $checks; unit tests: exit $unit; end-to-end tests: exit $e2e"
[ $checks -eq 0 ] && [ $unit -eq 0 ] && [ $e2e -eq 0 ]
