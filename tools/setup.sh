#!/usr/bin/env bash
# Idempotent machine set-up for building and testing the client on Debian 12 (run as root).
# Installs the Debian packages, cross-builds libxml2 from Debian's source package into a cache
# outside the source tree, and leaves the Wine prefix to the test runner.
set -euo pipefail

CACHE=${KV_CACHE:-/var/cache/kvaudit}
here=$(cd "$(dirname "$0")" && pwd)
export DEBIAN_FRONTEND=noninteractive

# i686 is the shipped build. x86_64 is the test build for machines whose kernel cannot execute
# 32-bit code (Wine's 32-bit loader fails there with "Exec format error").
need_pkgs=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
           g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
           wine wine64 wine32:i386 xvfb cmake make googletest python3-pytest python3-pyftpdlib
           libz-mingw-w64-dev libarchive-tools unzip dpkg-dev iproute2 util-linux)

missing=()
for p in "${need_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Debian's source archive, for libxml2.
enable_sources() {
    local src_list=/etc/apt/sources.list.d/kvaudit-src.sources
    [ -f "$src_list" ] && return 0
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src_list"
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/kvaudit-src.list
        touch "$src_list"
    fi
    apt-get update -qq
}

# libxml2 cross-built from Debian's source package, static, one prefix per architecture.
build_libxml2() {
    local arch=$1 prefix="$CACHE/libxml2-$1"
    [ -f "$prefix/lib/libxml2.a" ] && return 0
    enable_sources
    local work
    work=$(mktemp -d)
    ( cd "$work" && apt-get source -qq libxml2 >/dev/null 2>&1 )
    local srcdir
    srcdir=$(find "$work" -maxdepth 1 -type d -name 'libxml2-*' | head -n 1)
    [ -n "$srcdir" ] || { echo "setup: apt-get source libxml2 gave no source tree" >&2; exit 1; }
    cmake -S "$srcdir" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
        -DLIBXML2_WITH_THREADS=ON -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF \
        -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
        -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF >/dev/null
    cmake --build "$work/build" -j"$(nproc)" >/dev/null
    cmake --install "$work/build" >/dev/null
    rm -rf "$work"
    echo "setup: libxml2 installed into $prefix"
}

build_libxml2 i686
build_libxml2 x86_64
echo "setup: done"
