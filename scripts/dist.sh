#!/usr/bin/env bash
# The main job: installs what is missing, builds the shell, and lays out dist/sky-puzzle/ with the
# executable and the example app (package.json + www/), ready to zip and ship.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/build.sh

app=dist/sky-puzzle
rm -rf dist
mkdir -p "$app"
cp build/app/Quorvane.exe "$app/SkyPuzzle.exe"
cp examples/sky-puzzle/package.json "$app/"
cp -r examples/sky-puzzle/www "$app/www"
python3 scripts/make-example-assets.py "$app/www"
mkdir -p "$app/www/fonts"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$app/www/fonts/"

echo "dist/ is ready:"
find dist -type f | sort | sed 's/^/  /'
