#!/usr/bin/env bash
# Usage: preview_test.sh   (inside the test command's loopback-only namespace)
# scripts/preview.sh for real, two runs in Chromium (what a recorded log cannot show; what preview
# makes of a log is tested on recorded ones by preview_check_test.py):
# - the example, given as a relative link to its folder, with relative links inside www/, under
#   --strict, its steps ending with {"close": true}: exits 0, its links still serve, and the
#   folder is exactly as it was;
# - a package given as an absolute link with a trailing slash, whose page misses an image, has no
#   icon, throws and goes fullscreen, its steps outliving --seconds: --strict exits 4 naming the
#   404 (not the browser's own requests for /favicon.ico), the exception with its place, the
#   waitTitle cut at --seconds and the step after it; the switch is logged, the keys pressed
#   arrive as a keyboard's would, and the picture is taken as the window closes, replacing the
#   picture of an earlier run (in both runs: closed by a step, and at --seconds).
# Exits 77 (skipped) where Chromium or a loopback-only network is missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
if [ ! -x /usr/lib/chromium/chromium ] ||
  [ "$(awk -F: 'NR > 2 { gsub(/ /, "", $1); print $1 }' /proc/net/dev | tr '\n' ' ')" != "lo " ]; then
  echo "SKIPPED: needs Chromium and a network namespace with only loopback"
  exit 77
fi
export QV_NO_BUILD=1
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

failures=0
fail() { printf 'FAILED: %s\n' "$*"; failures=$((failures + 1)); }
# Everything about a folder that a run could change: names, kinds, link targets, sizes, times.
fingerprint() { find "$1" -printf '%P %y %l %s %T@\n' | sort; }
# preview NAME ARGS...: runs preview.sh, keeps its output in NAME.out, its exit code in NAME.rc.
preview() {
  local name=$1
  shift
  local rc=0
  bash "$root/scripts/preview.sh" "$@" >"$name.out" 2>&1 || rc=$?
  echo "$rc" >"$name.rc"
}
expect_exit() { [ "$(cat "$1.rc")" = "$2" ] || fail "$1: exit code $(cat "$1.rc"), expected $2"; }
expect_last() {
  [ "$(tail -n 1 "$1.out")" = "$2" ] || fail "$1: last line \"$(tail -n 1 "$1.out")\", expected \"$2\""
}
expect_line() { grep -qF -- "$2" "$1.out" || fail "$1: no line with \"$2\""; }

# 1. The example through a relative link (no trailing slash).
bash "$root/scripts/make-example.sh" example
ln -s css example/www/styles
ln -s ../js/game.js example/www/css/game-again.js
ln -s example example-link
python3 - "$root/examples/sky-puzzle/preview-steps.json" example.steps <<'PY'
import json, sys
steps = json.load(open(sys.argv[1]))
assert steps[-1] == {"close": True}
steps.insert(-1, {"evaluate": "Promise.all(['styles/style.css', 'css/game-again.js'].map("
                              "u => fetch(u).then(r => r.status))).then(s => s.join())"})
json.dump(steps, open(sys.argv[2], "w"))
PY
before="$(fingerprint example)"
preview example example-link --strict --seconds 30 --steps example.steps --screenshot example.png
expect_exit example 0
expect_line example "== screenshot: $work/example.png"
expect_last example "== strict: nothing went wrong"
expect_line example 'title "Sky Puzzle - Level 1 - 3 moves"'
expect_line example '-> "200,200"'
expect_line example "  https://example.com/sky-puzzle/credits"
[ "$(fingerprint example)" = "$before" ] || fail "example: the folder changed"
for written in Quorvane.exe WebView2Loader.dll; do
  [ ! -e "example/$written" ] || fail "example: $written was written into the folder"
done

# 2. A package, through an absolute link with a trailing slash.
mkdir -p throws/www
echo '{"name": "Throwing Game"}' >throws/package.json
cat >throws/www/index.html <<'HTML'
<!DOCTYPE html><title>Throws</title><img src="missing.png">
<script>setTimeout(() => { throw new Error("boom at level 2"); }, 10);
addEventListener("keydown", e => { document.title = JSON.stringify([e.key, e.code, e.keyCode]); });</script>
HTML
cp "$root/build/app/Quorvane.exe" "throws/Throwing Game.exe"
ln -s "$work/throws" throws-link
cat >throws.steps <<'JSON'
[{"key": "w"}, {"waitTitle": "[\"w\",\"KeyW\",87]"}, {"key": "Space"},
 {"waitTitle": "[\" \",\"Space\",32]"},
 {"evaluate": "chrome.webview.postMessage(JSON.stringify({type: 'set-fullscreen', fullscreen: true}))"},
 {"wait": 500}, {"waitTitle": "never", "timeout": 600000}, {"click": [1, 1]}]
JSON
echo "a picture of an earlier run" >shot.png
before="$(fingerprint throws)"
preview throws "$work/throws-link/" --strict --steps throws.steps --screenshot shot.png --seconds 8
expect_exit throws 4
expect_line throws " window fullscreen 1"
expect_line throws " closing the window after 8 s, 1 step not run"
expect_line throws "== screenshot: $work/shot.png"
expect_last throws "$(cat <<'TXT'
== strict: 1 answer of 400 or more (GET https://quorvane.localhost/missing.png -> 404); 1 uncaught exception (https://quorvane.localhost/index.html:2:34: Error: boom at level 2); 1 console error (Failed to load resource: the server responded with a status of 404 (Not Found) https://quorvane.localhost/missing.png); 1 step failed (step 7 {"timeout":600000,"waitTitle":"never"} -> timed out, title "[\" \",\"Space\",32]"); 1 step did not run (step 8 {"click":[1,1]})
TXT
)"
for picture in example.png shot.png; do
  [ "$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "$picture is not this run's picture"
done
grep -q ' request GET https://quorvane.localhost/favicon.ico .* -> 404 ' throws.out ||
  fail "throws: the browser asked for no /favicon.ico, so its exemption was not tried"
[ "$(fingerprint throws)" = "$before" ] || fail "throws: the package changed"

if [ "$failures" -gt 0 ]; then
  for run in example throws; do printf '\n--- %s (exit code %s)\n' "$run" "$(cat "$run.rc")"; cat "$run.out"; done
  exit 1
fi
echo "preview: 2 runs as expected"
