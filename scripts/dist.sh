#!/usr/bin/env bash
# The main job: installs what is missing, builds the shell, and lays out dist/ with the executable.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/build.sh
rm -rf dist
mkdir -p dist
cp build/app/Quorvane.exe dist/Quorvane.exe
echo "dist/ is ready:"
find dist -type f | sort | sed 's/^/  /'
