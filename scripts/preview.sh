#!/usr/bin/env bash
# Usage: preview.sh APP_OR_PACKAGE_FOLDER [--screenshot FILE] [--seconds N] [--steps FILE]
#
# Runs an app under Wine in a real browser engine (Debian's Chromium, driven by the engine
# runtime in tools/engine-runtime) and prints what happened: every request with its status, type,
# length and range, the page's console errors and uncaught exceptions, title changes, fullscreen
# switches, the links handed to the default program, and the exit code.
#
# APP_OR_PACKAGE_FOLDER is either a package (an .exe beside package.json and www/) or an app folder
# (package.json and www/ only: the freshly built shell is used). It is copied first; the folder
# itself is never changed. Everything runs inside a network namespace with only loopback, with its
# own virtual display and Wine server and a Wine prefix of its own (build/preview/).
#
#   --steps FILE       a JSON array of steps that drive the page once its document is parsed:
#                      {"click":[x,y]}, {"key":"F11"}, {"waitTitle":"text"},
#                      {"evaluate":"script"} (run as if from a user gesture),
#                      {"screenshot":"file.png"}, {"wait":ms}, {"close":true}
#   --seconds N        the window is closed N seconds after the steps began (default 5)
#   --screenshot FILE  saves the page as PNG just before the window is closed
# The exit code is the app's own (0 after an ordinary close); 3 when the run did not end in time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

usage() { sed -n '2,3p' "$0" | sed 's/^# //' >&2; exit 2; }
[ $# -ge 1 ] || usage
source_folder="$1"; shift
screenshot=""; seconds=5; steps=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="$(realpath -m "$2")"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --steps) steps="$(realpath "$2")"; shift 2 ;;
    *) usage ;;
  esac
done
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "preview: --seconds needs a whole number" >&2; exit 2; }
[ -f "$source_folder/package.json" ] || { echo "preview: no package.json in $source_folder" >&2; exit 2; }
[ -d "$source_folder/www" ] || { echo "preview: no www/ in $source_folder" >&2; exit 2; }
[ -x /usr/lib/chromium/chromium ] || bash "$root/scripts/install-deps.sh"

build="$root/build"
if [ ! -f "$build/build.ninja" ]; then
  bash "$root/scripts/install-deps.sh"
  (cd "$root" && cmake --preset windows >/dev/null)
fi
cmake --build "$build" --target Quorvane qv_engine_runtime qv_link_recorder >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-preview.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp -r "$source_folder" "$work/app"
app="$work/app"
exe="$(find "$app" -maxdepth 1 -iname '*.exe' | head -n 1)"
if [ -z "$exe" ]; then
  cp "$build/app/Quorvane.exe" "$app/"
  exe="$app/Quorvane.exe"
fi
cp "$build/tools/engine-runtime/bin/WebView2Loader.dll" "$app/WebView2Loader.dll"
mkdir -p "$work/pids"

python3 - "$steps" "$work/steps.json" <<'PY'
import json, sys
steps = json.load(open(sys.argv[1])) if sys.argv[1] else []
if not isinstance(steps, list):
    sys.exit("preview: the steps file must hold a JSON array")
json.dump(steps, open(sys.argv[2], "w"))
PY

export QV_ENGINE_LOG="$work/engine.log"
export QV_ENGINE_STEPS="$work/steps.json"
export QV_ENGINE_SECONDS="$seconds"
export QV_ENGINE_FINAL_SCREENSHOT="$screenshot"
export QV_ENGINE_PID_DIR="$work/pids"
export QV_PREVIEW_APP="$app" QV_PREVIEW_EXE="$exe" QV_PREVIEW_LINKS="$work/links.txt"
export QV_PREVIEW_RECORDER="$build/tests/e2e/qv_link_recorder.exe"
export QV_PREVIEW_TIMEOUT=$((seconds + 90))
mkdir -p "$build/preview"

set +e
bash "$root/scripts/in-netns.sh" bash "$root/scripts/with-wine.sh" "$build/preview" \
  bash "$root/scripts/preview-run.sh" >"$work/wine.log" 2>&1
code=$?
set -e
# Nothing of the run may outlive it: end any browser the watchdog still lists.
for pidfile in "$work"/pids/*; do
  [ -e "$pidfile" ] || continue
  kill -KILL "$(basename "$pidfile")" 2>/dev/null || true
done

echo "== what the page did (ms since start) =="
if [ -f "$work/engine.log" ]; then
  grep -v -e '^[0-9]* focus ' -e '^[0-9]* visible ' "$work/engine.log" | sed 's/^/  /'
else
  echo "  (the engine wrote nothing)"; sed 's/^/  | /' "$work/wine.log" | tail -n 20
fi
echo "== links handed to the default program =="
if [ -s "$work/links.txt" ]; then sed 's/^/  /' "$work/links.txt"; else echo "  (none)"; fi
if [ -n "$screenshot" ]; then
  if [ -f "$screenshot" ]; then echo "== screenshot: $screenshot"; else echo "== no screenshot was taken"; fi
fi
if [ -f "$work/exit-code" ]; then code="$(cat "$work/exit-code")"; fi
echo "== exit code: $code"
exit "$code"
