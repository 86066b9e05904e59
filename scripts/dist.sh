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

# Run it: the example plays its page against the shell under Wine, with the stand-in runtime (a
# test double of the browser runtime, never shipped) in a copy of the folder, and a summary of
# what the shell did is printed. Exits non-zero when anything was not answered as expected.
echo
app_windows="Z:$(cd "$app" && pwd | tr '/' '\\')"
bash scripts/with-wine.sh build scripts/wine-run.sh build build/tests/e2e/qv_example_run.exe "$app_windows"
