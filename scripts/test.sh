#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test as a Windows program
# under Wine on a virtual display. Extra arguments go to ctest (for example -R Manifest).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/build.sh
bash scripts/with-wine.sh build ctest --test-dir build --output-on-failure -j2 --timeout 180 --repeat until-pass:2 "$@"
