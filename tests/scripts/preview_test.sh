#!/usr/bin/env bash
# Usage: preview_test.sh   (inside the test command's loopback-only namespace)
# scripts/preview.sh for real, three runs in Chromium:
# - the example, given as a relative link to its folder, with relative links inside www/, under
#   --strict: exits 0, its links still serve, and the folder is exactly as it was;
# - a page with a missing image, given as an absolute link with a trailing slash: --strict exits
#   4 naming the 404 (the browser's own request for /favicon.ico does not count);
# - a package whose page throws, closed by a step before the screenshot: --strict exits 4 naming
#   the exception and the missing picture; the picture of an earlier run is gone.
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
steps.append({"evaluate": "Promise.all(['styles/style.css', 'css/game-again.js'].map("
                          "u => fetch(u).then(r => r.status))).then(s => s.join())"})
json.dump(steps, open(sys.argv[2], "w"))
PY
before="$(fingerprint example)"
preview example example-link --strict --seconds 1 --steps example.steps
expect_exit example 0
expect_last example "== strict: nothing went wrong"
expect_line example 'title "Sky Puzzle - Level 1 - 3 moves"'
expect_line example '-> "200,200"'
expect_line example "  https://example.com/sky-puzzle/credits"
[ "$(fingerprint example)" = "$before" ] || fail "example: the folder changed"
for written in Quorvane.exe WebView2Loader.dll; do
  [ ! -e "example/$written" ] || fail "example: $written was written into the folder"
done

# 2. A missing image, through an absolute link with a trailing slash.
mkdir -p missing/www
echo '{"name": "Missing Image"}' >missing/package.json
echo '<!DOCTYPE html><title>Missing</title><img src="missing.png">' >missing/www/index.html
ln -s "$work/missing" missing-link
before="$(fingerprint missing)"
preview missing "$work/missing-link/" --strict --seconds 1
expect_exit missing 4
expect_last missing "== strict: 1 answer of 400 or more (GET https://quorvane.localhost/missing.png -> 404); 1 console error (Failed to load resource: the server responded with a status of 404 (Not Found) https://quorvane.localhost/missing.png)"
[ "$(fingerprint missing)" = "$before" ] || fail "missing: the folder changed"

# 3. A package whose page throws; the step closes the window before the screenshot is due.
mkdir -p throws/www
echo '{"name": "Throwing Game"}' >throws/package.json
echo '<!DOCTYPE html><title>Throws</title><link rel="icon" href="data:,">
<script>setTimeout(() => { throw new Error("boom at level 2"); }, 10);</script>' >throws/www/index.html
cp "$root/build/app/Quorvane.exe" "throws/Throwing Game.exe"
echo '[{"wait": 500}, {"close": true}]' >throws.steps
echo "a picture of an earlier run" >shot.png
before="$(fingerprint throws)"
preview throws throws --strict --steps throws.steps --screenshot shot.png
expect_exit throws 4
expect_line throws "== no screenshot was taken"
expect_last throws "== strict: 1 uncaught exception (Error: boom at level 2); no screenshot was taken"
[ ! -e shot.png ] || fail "throws: the picture of an earlier run is still there"
[ "$(fingerprint throws)" = "$before" ] || fail "throws: the package changed"

if [ "$failures" -gt 0 ]; then
  for run in example missing throws; do printf '\n--- %s (exit code %s)\n' "$run" "$(cat "$run.rc")"; cat "$run.out"; done
  exit 1
fi
echo "preview: 3 runs as expected"
