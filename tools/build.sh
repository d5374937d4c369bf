#!/usr/bin/env bash
# Configures and builds everything. KV_ARCH=i686 (default, the shipped build: build/, binaries in
# build/dist/) or x86_64 (the test build for machines that cannot run 32-bit code: build/x64/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${KV_ARCH:-i686}
case "$arch" in
    i686) default_dir="$root/build" ;;
    x86_64) default_dir="$root/build/x64" ;;
    *) echo "build: unknown KV_ARCH $arch" >&2; exit 2 ;;
esac
build=${KV_BUILD_DIR:-$default_dir}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/tools/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
