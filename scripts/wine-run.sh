#!/usr/bin/env bash
# Usage: wine-run.sh BUILD_DIR PROGRAM.exe [ARGS...]
# Runs a Windows program under Wine in the build tree's private prefix. CMake uses it as the
# cross-compiling emulator, so ctest and test discovery go through it. The display and the
# wineserver come from scripts/with-wine.sh.
set -eu
QV_BUILD_DIR="$(cd "$1" && pwd)"
shift
export QV_BUILD_DIR
. "$(dirname "$(readlink -f "$0")")/wine-env.sh"
exec wine "$@"
