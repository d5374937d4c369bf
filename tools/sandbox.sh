#!/usr/bin/env bash
# sandbox.sh COMMAND...
# Runs COMMAND in a private network namespace (loopback only, so test servers can take
# 127.0.0.1:80) with the project's Wine prefix and one wineserver kept alive for the whole run.
# The wineserver must start inside the namespace: Wine's sockets live in it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$root/build}

if [ "${KV_IN_SANDBOX:-}" != 1 ]; then
    exec unshare -n -- env KV_IN_SANDBOX=1 bash "$0" "$@"
fi

ip link set lo up
export KV_BUILD_DIR="$build"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${LANG:-en_US.UTF-8}

# The 64-bit server serves 32-bit and 64-bit programs alike.
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
export WINESERVER="$wineserver"

if [ ! -f "$WINEPREFIX/.kv-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$build/wine-run" wineboot.exe -i >/dev/null 2>&1 || true
    # No X server: the null display driver lets programs create (invisible) windows.
    "$build/wine-run" reg.exe add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$wineserver" -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "sandbox: Wine prefix $WINEPREFIX not created" >&2; exit 1; }
    touch "$WINEPREFIX/.kv-ready"
fi

"$wineserver" -k 2>/dev/null || true
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# Start Wine's own services now, away from any test's output pipes: they live as long as the
# server and would otherwise hold the first test's stdout open.
"$build/wine-run" wineboot.exe </dev/null >/dev/null 2>&1 || true
"$@"
