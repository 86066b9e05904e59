#!/usr/bin/env bash
# The main job: builds what it needs, packages the example app with scripts/package.sh exactly as
# a user packages theirs (dist/Sky Puzzle/ and dist/Sky Puzzle.zip), then runs the package.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# 1. Build: the shell and the stamping program for packaging, and the programs the run needs (no
#    tests).
bash scripts/build.sh Quorvane qv_stamp qv_standin qv_link_recorder qv_example_run

# 2. Package. The example's binary assets (icon, sprite, music, font) are made here, into a copy
#    of its folder in the build tree.
example=build/example/sky-puzzle
rm -rf "$example"
mkdir -p "$example/www/fonts"
cp examples/sky-puzzle/package.json "$example/"
cp -R examples/sky-puzzle/www/. "$example/www/"
python3 scripts/make-example-assets.py "$example/www"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$example/www/fonts/"
QV_NO_BUILD=1 bash scripts/package.sh "$example" dist
package="dist/Sky Puzzle"  # the manifest's "name"

echo
echo "The package:"
find "$package" -type f | sort | sed 's/^/  /'
echo

# 3. Run it: the example plays its page against the packaged shell under Wine, with the stand-in
#    runtime (a test double of the browser runtime, never shipped) in a copy of the folder, and a
#    summary of what the shell did is printed. Exits non-zero when anything was not as expected.
package_windows="Z:$(cd "$package" && pwd | tr '/' '\\')"
QV_WINE_PREFIX_NAME=wineprefix-dist bash scripts/with-wine.sh build \
  scripts/wine-run.sh build build/tests/e2e/qv_example_run.exe "$package_windows"
