#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test as a Windows program
# under Wine on a virtual display. Extra arguments go to ctest (for example -R Manifest).
# Everything runs inside a network namespace with only loopback (scripts/in-netns.sh), where the
# real-page tests may start Chromium; afterwards no browser may be left running.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/build.sh

pids="$root/build/engine-pids"
mkdir -p "$pids"
export QV_ENGINE_PID_DIR="$pids"
set +e
bash scripts/in-netns.sh bash scripts/with-wine.sh build \
  ctest --test-dir build --output-on-failure -j2 --timeout 180 --repeat until-pass:2 "$@"
code=$?
set -e

# Every browser a test started is listed by its watchdog until it has exited.
for _ in $(seq 50); do
  [ -z "$(ls -A "$pids")" ] && break
  sleep 0.2
done
for entry in "$pids"/*; do
  [ -e "$entry" ] || continue
  pid="$(basename "$entry")"
  if kill -0 "$pid" 2>/dev/null; then
    echo "A browser outlived the tests (Linux process $pid); ended it." >&2
    kill -KILL "$pid" 2>/dev/null || true
    code=1
  fi
  rm -f "$entry"
done
exit "$code"
