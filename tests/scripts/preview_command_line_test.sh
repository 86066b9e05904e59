#!/usr/bin/env bash
# Usage: preview_command_line_test.sh
# scripts/preview.sh's command line, one table: each refusal with its exit code and its exact
# message, each accepted line with what it would run (QV_PREVIEW_DRY_RUN=1: nothing is built or
# started). A refused line leaves a screenshot file of an earlier run alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p app/www pkg/www empty no-www
echo '{"name": "Star Hopper"}' >app/package.json
cp app/package.json pkg/
cp app/package.json no-www/
: >"pkg/Star Hopper.exe"
ln -s app link
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
[{"tap": [1, 2]}] => step 1 holds no known action (found "tap"); a step is one of click, key, waitTitle, evaluate, screenshot, wait, close, compare, crash
[{"crash": "gpu"}] => step 1: "crash" must be "renderer" or "browser", not "gpu"
CASES
[ "$(cat old.png)" = old ] || { echo "FAILED: a refused command line removed old.png"; failures=$((failures + 1)); }

run() { printf 'folder=%s\nkind=%s\nseconds=%s\nstrict=%s\nscreenshot=%s\nsteps=%s' "$@"; }
expect 0 "$(run "$work/app" app 5 0 "" "[]")" app
expect 0 "$(run "$work/app" app 8 1 "" "[]")" --strict link/ --seconds 08
expect 0 "$(run "$work/app" app 10 0 "$work/old.png" "[]")" "$work/link" --seconds 010 --screenshot old.png
expect 0 "$(run "$work/pkg" package 3600 0 "" \
  "[{\"key\": \"F11\"}, {\"screenshot\": \"$work/shots/one.png\"}, {\"crash\": \"renderer\"}]")" \
  pkg --seconds 3600 --steps good.steps

if [ "$failures" -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "preview's command line: every case as expected"
