#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test as a Windows program
# under Wine on a virtual display. Extra arguments go to ctest (for example -R Manifest).
# Everything runs inside a network namespace with only loopback (scripts/in-netns.sh), where the
# real-page tests may start Chromium; afterwards no browser may be left running.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
# A fresh build tree's Wine prefix takes about 20 s to create, mostly waiting on Wine: it is made
# while the build runs. (with-wine.sh below waits for it under the prefix's lock, and creates it
# itself if this failed.)
prefix_job=""
if [ ! -f build/wineprefix/.quorvane-ready ]; then
  mkdir -p build
  bash scripts/with-wine.sh build true >build/wine-prefix.log 2>&1 &
  prefix_job=$!
fi
if ! bash scripts/build.sh; then
  [ -z "$prefix_job" ] || wait "$prefix_job" || true
  exit 1
fi
if [ -n "$prefix_job" ] && ! wait "$prefix_job"; then
  echo "Creating the Wine prefix failed; trying again:" >&2
  cat build/wine-prefix.log >&2
fi

pids="$root/build/engine-pids"
mkdir -p "$pids"
# A run that was aborted may have left browsers behind (or ids the system has given to others
# since: those are left alone).
bash scripts/end-browsers.sh "$pids" | sed 's/^/Left from an earlier run: /' >&2 || true
export QV_ENGINE_PID_DIR="$pids"
log="$root/build/ctest-output.txt"
# Three at a time on two cores: most tests spend much of their time waiting for Wine's windows
# and processes (a full run took 209 s at three, 257 s at two).
set +e
bash scripts/in-netns.sh bash scripts/with-wine.sh build \
  ctest --test-dir build --output-on-failure -j3 --timeout 180 --repeat until-pass:2 "$@" |
  tee "$log"
code=${PIPESTATUS[0]}
set -e
# A test that failed and then passed is retried quietly by ctest (its second result line has no
# count in front); name each, so that a test that only passes on its second try is seen.
retried="$(sed -n 's/^ \{1,\}Test  *#[0-9]*: \([^ ]*\) .* Passed .*/\1/p' "$log")"
if [ -n "$retried" ]; then
  echo "Passed only on the second try:" $retried
fi

# Every browser a test started is listed by its watchdog until it has exited.
for _ in $(seq 50); do
  [ -z "$(ls -A "$pids")" ] && break
  sleep 0.2
done
if ! bash scripts/end-browsers.sh "$pids" | sed 's/^/A browser outlived the tests: /' >&2; then
  code=1
fi
exit "$code"
