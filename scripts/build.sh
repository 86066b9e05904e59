#!/usr/bin/env bash
# Installs the dependencies, configures (preset "windows", build tree build/) and builds everything.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
if [ ! -f build/build.ninja ]; then
  cmake --preset windows >/dev/null
fi
cmake --build --preset windows -- -j"$(nproc)"
