#!/usr/bin/env bash
# Usage: wine-prefix.sh BUILD_DIR  (with the display already set)
# Creates the build tree's private Wine prefix once, under a lock, and sets it up for tests:
# no window manager waits, and the network guard: all web traffic goes to a closed loopback port
# (127.0.0.1:9) with loopback itself exempt, so nothing a test runs can reach beyond this machine.
set -euo pipefail
QV_BUILD_DIR="$(cd "$1" && pwd)"
export QV_BUILD_DIR
. "$(dirname "$(readlink -f "$0")")/wine-env.sh"

marker="$WINEPREFIX/.quorvane-ready"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$marker" ]; then
  exit 0
fi

rm -rf "$WINEPREFIX"
echo "Creating the Wine prefix in $WINEPREFIX (once per build tree)..."
wine wineboot -i </dev/null >/dev/null 2>&1
inet='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
wine reg add "$inet" /v ProxyEnable /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
wine reg add "$inet" /v ProxyServer /t REG_SZ /d 127.0.0.1:9 /f </dev/null >/dev/null 2>&1
wine reg add "$inet" /v ProxyOverride /t REG_SZ /d '127.0.0.1;localhost;<local>' /f </dev/null >/dev/null 2>&1
wineserver -w
touch "$marker"
