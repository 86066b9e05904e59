#!/usr/bin/env bash
# Usage: preview_command_line_test.sh
# scripts/preview.sh's command line, one table: each refusal with its exit code and its exact
# message, each accepted line with what it would run (QV_PREVIEW_DRY_RUN=1: nothing is built, and
# only quorvane-pack.exe is started, to lay out an app folder as the packager would ship it).
# App folders the packager refuses end with its messages, its warnings are shown and counted by
# --strict, and an interrupted layout ends with 130 and nothing left behind. A refused line leaves
# a screenshot file of an earlier run alone.
# (Inside the test command's Wine session: the packager runs in a prefix of its own.)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR="$work/tmp"  # where preview makes its copy
mkdir -p app/www pkg/www empty no-www shots "$TMPDIR"
echo '{"name": "Star Hopper"}' >app/package.json
: >app/www/index.html
cp app/package.json pkg/
cp app/package.json no-www/
: >"pkg/Star Hopper.exe"
ln -s pkg pkg-link
echo '[{"key": "F11"}, {"screenshot": "shots/one.png"}, {"crash": "renderer"}]' >good.steps
echo old >old.png

failures=0
# expect CODE OUTPUT ARGS...: OUTPUT is stderr for a refusal, stdout otherwise.
expect() {
  local code=$1 expected=$2
  shift 2
  local rc=0 output
  if [ "$code" = 0 ]; then
    output="$(QV_PREVIEW_DRY_RUN=1 bash "$root/scripts/preview.sh" "$@" 2>&1)" || rc=$?
  else
    output="$(QV_PREVIEW_DRY_RUN=1 bash "$root/scripts/preview.sh" "$@" 2>&1 >/dev/null)" || rc=$?
  fi
  if [ "$rc" != "$code" ] || [ "$output" != "$expected" ]; then
    printf 'FAILED: preview.sh %s\n  expected %s: %s\n  got      %s: %s\n' "$*" "$code" "$expected" "$rc" "$output"
    failures=$((failures + 1))
  fi
}

usage="usage: preview.sh APP_OR_PACKAGE_FOLDER [--strict] [--screenshot FILE] [--seconds N] [--steps FILE]"
p="preview:"
expect 2 "$p $usage"
expect 2 "$p $usage" --strict
expect 2 "$p unknown option --fast; $usage" app --fast
expect 2 "$p one folder only; $usage" app pkg
expect 2 "$p --seconds needs a value; $usage" app --seconds
expect 2 "$p --seconds needs a value; $usage" app --seconds --strict
expect 2 "$p --steps needs a value; $usage" app --steps ""
expect 2 "$p --screenshot needs a value; $usage" app --screenshot
for seconds in 0 00 -1 1.5 ten 3601 99999999999999999999 " 5"; do
  expect 2 "$p --seconds takes a whole number of seconds from 1 to 3600, not \"$seconds\"" app --seconds "$seconds"
done
expect 2 "$p nowhere: no such folder" nowhere
expect 2 "$p good.steps: not a folder" good.steps
expect 2 "$p no package.json in empty" empty
expect 2 "$p no www/ in no-www" no-www
expect 2 "$p --steps: no such file: none.steps" app --steps none.steps
expect 2 "$p --screenshot: $work/app is a folder" app --screenshot app
expect 2 "$p --screenshot: no such folder: $work/none" app --screenshot none/shot.png
expect 2 "$p --screenshot: no such folder: $work/none" app --screenshot none/
# Steps files, one a line: CONTENT => MESSAGE after "preview: bad.steps: " (CONTENT as printf %b).
while IFS= read -r line; do
  printf '%b' "${line%% => *}" >bad.steps
  expect 2 "$p bad.steps: ${line#* => }" app --steps bad.steps
done <<'CASES'
[{"wait": 500} => not valid JSON (line 1, column 15: Expecting ',' delimiter)
 => not valid JSON (line 1, column 1: Expecting value)
\xff[] => not UTF-8 text
{"wait": 500} => must hold a JSON array of steps, not an object
[{"wait": 1}, "close"] => step 2 is not an object: "close"
[{"wait": "500"}] => step 1: "wait" must be a whole number of milliseconds up to 3600000, not "500"
[{"click": [10]}] => step 1: "click" must be an [x, y] pair of numbers, not [10]
[{"waitTitle": "Level 1", "timeout": -5}] => step 1: "timeout" must be a whole number of milliseconds up to 3600000, not -5
[{"key": "F11", "timeout": 5}] => step 1: "timeout" does not go with "key"
[{"wait": 1, "close": true}] => step 1 holds more than one action ("wait", "close")
[{"tap": [1, 2]}] => step 1 holds no known action (found "tap"); a step is one of click, key, waitTitle, evaluate, screenshot, wait, close, crash
[{"crash": "gpu"}] => step 1: "crash" must be "renderer" or "browser", not "gpu"
CASES
# Every bad step at once, one a line; a step's picture, like --screenshot's, cannot be a folder.
echo '[{"key": "Shfit"}, {"wait": 1}, {"screenshot": "app"}, {"screenshot": "none/"}]' >bad.steps
expect 2 "$p bad.steps: step 1: \"key\" must be one character or a key name (Enter, Escape, Space, Tab, Backspace, Delete, Insert, Home, End, PageUp, PageDown, ArrowLeft, ArrowRight, ArrowUp, ArrowDown, Shift, Control, Alt, F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12), not \"Shfit\"
$p bad.steps: step 3: \"screenshot\": $work/app is a folder
$p bad.steps: step 4: \"screenshot\": no such folder: $work/none" app --steps bad.steps
[ "$(cat old.png)" = old ] || { echo "FAILED: a refused command line removed old.png"; failures=$((failures + 1)); }

# App folders the packager refuses: its messages, naming the folder as it was given.
mkdir -p names/www no-main/www fixed/www fake
echo '{"name": "Names"}' >names/package.json
touch names/www/index.html names/www/Logo.png names/www/logo.png names/www/aux.js
ln -s names names-link
echo '{"name": "S", "main": "game.html"}' >no-main/package.json
echo '{"name": "S", "settings": {"distribution-mode": "fixed"}}' >fixed/package.json
: >fixed/www/index.html
expect 1 "$p names-link/www/Logo.png: Windows cannot hold this name beside logo.png: they differ only in letter case
$p names-link/www/aux.js: Windows cannot hold this name: aux is a device name
$p names-link/www/logo.png: Windows cannot hold this name beside Logo.png: they differ only in letter case" \
  names-link/ --screenshot old.png
expect 1 "$p no-main/www/game.html: not found; it is the app's main page (\"main\" in package.json, index.html by default)" no-main
expect 1 "$p fixed/webview2: no such folder, but \"settings\" / \"distribution-mode\" is \"fixed\": ship the WebView2 runtime there" fixed
# Wine failing without a word is said to be that, not a problem of the app folder.
printf '#!/bin/sh\nexit 1\n' >fake/wine && chmod +x fake/wine
PATH="$work/fake:$PATH" expect 2 "$p quorvane-pack.exe ended with exit code 1 and no message under Wine" app
[ "$(cat old.png)" = old ] || { echo "FAILED: a refused app folder removed old.png"; failures=$((failures + 1)); }

run() { printf 'folder=%s\nkind=%s\nexe=%s\nseconds=%s\nstrict=%s\nscreenshot=%s\nsteps=%s\nreasons=%s' "$@"; }
expect 0 "$(run "$work/app" app "Star Hopper.exe" 5 0 "" "[]" "")" app
# Links, relative with a trailing slash or absolute, to a package: no packager runs.
expect 0 "$(run "$work/pkg" package "Star Hopper.exe" 8 1 "" "[]" "")" --strict pkg-link/ --seconds 08
expect 0 "$(run "$work/pkg" package "Star Hopper.exe" 10 0 "$work/old.png" "[]" "")" "$work/pkg-link" --seconds 010 --screenshot old.png
expect 0 "$(run "$work/pkg" package "Star Hopper.exe" 3600 0 "" \
  "[{\"key\": \"F11\"}, {\"screenshot\": \"$work/shots/one.png\"}, {\"crash\": \"renderer\"}]" "")" \
  pkg --seconds 3600 --steps good.steps
# The packager's manifest warnings are shown as it says them, and --strict counts each (a
# stand-in for Wine prints what quorvane-pack.exe --stage prints).
cat >fake/wine <<'SH'
#!/bin/sh
echo 'quorvane-pack: warning: app/package.json: "settings.enable-devtools" is a string, not a boolean: true is used' >&2
echo 'quorvane-pack: warning: app/package.json: "settings.browser-key" is not a member the shell knows (ignored)' >&2
echo 'exe=Star Hopper/Star Hopper.exe'
SH
warned='app/package.json: "settings.enable-devtools" is a string, not a boolean: true is used'
unknown='app/package.json: "settings.browser-key" is not a member the shell knows (ignored)'
PATH="$work/fake:$PATH" expect 0 "$p warning: $warned
$p warning: $unknown
$(run "$work/app" app "Star Hopper.exe" 5 1 "" "[]" "2 manifest warnings ($warned; $unknown)")" app --strict
[ -z "$(ls -A "$TMPDIR")" ] || { echo "FAILED: left in TMPDIR: $(ls -A "$TMPDIR")"; failures=$((failures + 1)); }

# Ctrl-C while the packager lays out the copy (a large www/ keeps it busy), and while the script
# cleans up after it (the clean-up still runs to its end): 130, "preview: interrupted" alone, and
# neither the copy nor the packager's Wine prefix is left. One a line: MOMENT|MARK|HELD, Ctrl-C
# once MARK names something, with the folder HELD (if any) first on PATH.
head -c 60000000 /dev/urandom >app/www/big.bin
. "$root/tests/scripts/interrupt.sh"
hold_step held stat '%D' "$work/in-step"
while IFS='|' read -r moment mark held; do
  rc=0
  PATH="${held:+$held:}$PATH" interrupt_when "$mark" int.log \
    env QV_PREVIEW_DRY_RUN=1 bash "$root/scripts/preview.sh" app || rc=$?
  if [ $rc != 130 ] || [ "$(cat int.log)" != "preview: interrupted" ]; then
    echo "FAILED: Ctrl-C $moment: exit code $rc: $(cat int.log)"
    failures=$((failures + 1))
  fi
  [ -z "$(ls -A "$TMPDIR")" ] || { echo "FAILED: Ctrl-C $moment left $(ls -A "$TMPDIR")"; failures=$((failures + 1)); }
  left="$(find "$root/build" -maxdepth 3 -path '*/wineprefix-package.*/dosdevices/p:' -lname "$work/app")"
  [ -z "$left" ] || { echo "FAILED: Ctrl-C $moment left a Wine prefix: $left"; failures=$((failures + 1)); }
done <<CASES
while laying out|$TMPDIR/quorvane-preview.*/stage/Star Hopper/www|
in the clean-up|$work/in-step|$work/held
CASES

if [ "$failures" -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "preview's command line: every case as expected"
