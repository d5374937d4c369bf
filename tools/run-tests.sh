#!/usr/bin/env bash
# Sets up the machine, builds everything and runs all tests: the build checks on the shipped
# binaries, the unit tests (GoogleTest under Wine, through ctest) and the end-to-end tests (pytest
# driving the real programs under Wine), inside a private network namespace.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
test_build=$(bash "$root/tools/test-build.sh")
KV_BUILD_DIR="$test_build" KV_SHIPPED_DIST="$root/build/dist" \
    exec bash "$root/tools/sandbox.sh" bash "$root/tools/run-test-suites.sh"
