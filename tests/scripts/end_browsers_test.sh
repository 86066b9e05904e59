#!/usr/bin/env bash
# Usage: end_browsers_test.sh
# scripts/end-browsers.sh against a list as an aborted run leaves it: a browser and its watchdog
# still running are ended; a listed id that now belongs to another process (another start time),
# an entry in an older or damaged form, and a process that is gone are left alone. The list is
# empty afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
others=()
trap 'kill "${others[@]}" 2>/dev/null; rm -rf "$work"' EXIT
started() { sed 's/^.*) //' "/proc/$1/stat" | cut -d' ' -f20; }

# Stand-ins, not children of this shell (as a browser of an earlier run is not).
spawn() { sleep 60 </dev/null >/dev/null 2>&1 & echo $!; }
gone() { for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; return 1; }
browser=$(spawn)
watchdog=$(spawn)
reused=$(spawn)
unlisted_form=$(spawn)
others=("$browser" "$watchdog" "$reused" "$unlisted_form")
printf 'browser %s %s\nwatchdog %s %s\n' "$browser" "$(started "$browser")" "$watchdog" \
  "$(started "$watchdog")" >"$work/$browser"
printf 'browser %s %s\n' "$reused" "$(($(started "$reused") + 1))" >"$work/$reused"
echo "$unlisted_form" >"$work/$unlisted_form"
printf 'browser %s %s\n' "$reused" "junk" >"$work/.$reused"
printf 'browser 999999999 1\n' >"$work/999999999"

failures=0
rc=0
output="$(bash "$root/scripts/end-browsers.sh" "$work")" || rc=$?
expected="ended the browser (Linux process $browser)
ended the watchdog (Linux process $watchdog)"
if [ "$rc" != 1 ] || [ "$output" != "$expected" ]; then
  printf 'FAILED: expected 1:\n%s\ngot %s:\n%s\n' "$expected" "$rc" "$output"
  failures=$((failures + 1))
fi
for pid in "$browser" "$watchdog"; do
  gone "$pid" || { echo "FAILED: process $pid was not ended"; failures=$((failures + 1)); }
done
for pid in "$reused" "$unlisted_form"; do
  kill -0 "$pid" 2>/dev/null || { echo "FAILED: unrelated process $pid was ended"; failures=$((failures + 1)); }
done
[ -z "$(ls -A "$work")" ] || { echo "FAILED: entries left: $(ls -A "$work")"; failures=$((failures + 1)); }

rc=0
output="$(bash "$root/scripts/end-browsers.sh" "$work")" || rc=$?
[ "$rc" = 0 ] && [ -z "$output" ] || { echo "FAILED: an empty list gave $rc: $output"; failures=$((failures + 1)); }
[ "$failures" = 0 ] || exit 1
echo "end-browsers: ended what was listed and nothing else"
