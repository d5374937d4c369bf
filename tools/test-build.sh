#!/usr/bin/env bash
# Prints the build folder whose programs this machine can run under Wine, building it first when
# it is not the shipped one. The shipped build (i686, build/) runs where the kernel executes 32-bit
# code; elsewhere the same sources are built for x86_64 (build/x64/) and tested there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${KV_TEST_ARCH:-}
if [ -z "$arch" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then arch=i686; else arch=x86_64; fi
fi
if [ "$arch" = i686 ]; then
    echo "$root/build"
else
    echo "test-build: this machine cannot execute 32-bit code; testing an x86_64 build" >&2
    KV_ARCH=x86_64 KV_BUILD_DIR="$root/build/x64" bash "$root/tools/build.sh" >&2
    echo "$root/build/x64"
fi
