#!/usr/bin/env bash
# Usage: build.sh [TARGET...]
# Installs the dependencies, configures (preset "windows", build tree build/) and builds the given
# targets, or everything. One build at a time per tree: a second caller waits for the first.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
mkdir -p build
exec 8>build/.build.lock
flock 8
if [ ! -f build/build.ninja ]; then
  cmake --preset windows >/dev/null
fi
targets=()
if [ $# -gt 0 ]; then
  targets=(--target "$@")
fi
cmake --build --preset windows "${targets[@]}" -- -j"$(nproc)"
