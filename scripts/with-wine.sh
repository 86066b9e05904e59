#!/usr/bin/env bash
# Usage: with-wine.sh BUILD_DIR COMMAND [ARGS...]
# Runs COMMAND with a virtual display and a running wineserver for the build tree's private Wine
# prefix, creating the prefix first if needed. Xvfb and the wineserver are started here and stopped
# on the way out, whatever COMMAND returns; no process is left behind.
set -euo pipefail
QV_BUILD_DIR="$(cd "$1" && pwd)"
shift
export QV_BUILD_DIR
here="$(dirname "$(readlink -f "$0")")"
. "$here/wine-env.sh"

xvfb_pid=""
cleanup() {
  local rc=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit $rc
}
trap cleanup EXIT INT TERM

# Virtual display: Xvfb picks a free display number and writes it to the pipe.
fifo="$QV_BUILD_DIR/.xvfb-display.$$"
rm -f "$fifo"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
read -r display_number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display_number"

"$here/wine-prefix.sh" "$QV_BUILD_DIR"
# Scripts run inside the session use it rather than starting their own.
export QV_WINE_SESSION=1

# One wineserver for the whole run; Wine's system processes are started with their standard
# streams closed, so no pipe reader (ctest, $(...)) waits on them.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1 || true
wine wineboot </dev/null >/dev/null 2>&1 || true

# Wine's desktop process ends about a second after its last user and is started again by the next
# program that needs a window; one user from here to the end keeps one desktop for the session (see
# tests/support/session_desktop.cpp). It is built with the tests and the preview's programs; a
# session without it still works, only with the desktop coming and going.
holder="${QV_SESSION_DESKTOP:-$here/../build/tests/support/qv_session_desktop.exe}"
if [ -f "$holder" ]; then
  ready="$QV_BUILD_DIR/.desktop-ready.$$"
  rm -f "$ready"
  wine "$holder" "$(winepath -w "$ready" 2>/dev/null)" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 300); do
    [ -f "$ready" ] && break
    sleep 0.1
  done
  [ -f "$ready" ] || echo "with-wine.sh: the session's desktop did not start within 30 s" >&2
  rm -f "$ready"
fi

"$@"
