#!/usr/bin/env bash
# The main job: builds what it needs, packages the example app with scripts/package.sh exactly as
# a user packages theirs (dist/Sky Puzzle/, dist/Sky Puzzle.zip and the players' installer
# dist/Sky Puzzle Setup.exe, unsigned), then runs the package.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# 1. Build: the shell and the stamping program for packaging, and the programs the run needs (no
#    tests).
bash scripts/build.sh Quorvane qv_stamp qv_engine_runtime qv_link_recorder

# 2. Package. The example's binary assets (icon, sprite, music, font) are made here, into a copy
#    of its folder in the build tree.
example=build/example/sky-puzzle
rm -rf "$example"
mkdir -p "$example/www/fonts"
cp examples/sky-puzzle/package.json "$example/"
cp -R examples/sky-puzzle/www/. "$example/www/"
python3 scripts/make-example-assets.py "$example/www"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$example/www/fonts/"
QV_NO_BUILD=1 bash scripts/package.sh --installer "$example" dist
package="dist/Sky Puzzle"  # the manifest's "name"
installer="dist/Sky Puzzle Setup.exe"  # the example has no "version"

echo
echo "The package:"
find "$package" -type f | sort | sed 's/^/  /'

# 3. Run it: the example plays in a real browser engine (headless Chromium behind the engine runtime,
# inside a loopback-only network namespace) from a copy of the folder. Steps slide three tiles and
# follow the credits link; the page is saved as dist/sky-puzzle.png. Exits non-zero when the run
# did not end cleanly or the page saw an error.
echo
summary="$(mktemp)"
trap 'rm -f "$summary"' EXIT
set +e
bash scripts/preview.sh "$package" --steps examples/sky-puzzle/preview-steps.json --seconds 3 \
  --screenshot dist/sky-puzzle.png | tee "$summary"
code=${PIPESTATUS[0]}
set -e
problems=()
[ "$code" -eq 0 ] || problems+=("exit code $code")
[ -f dist/sky-puzzle.png ] || problems+=("no picture")
[ -f "$installer" ] || problems+=("no installer")
grep -q 'title "Sky Puzzle - Level 1 - 3 moves"' "$summary" || problems+=("the moves did not reach the title")
grep -q -e 'console error' -e 'uncaught exception' "$summary" && problems+=("the page reported errors")
grep -E '^  [0-9]+ request .* -> [0-9]+' "$summary" | grep -qv -e ' -> 200 ' -e ' -> 206 ' &&
  problems+=("a request was not answered 200 or 206")
if [ ${#problems[@]} -gt 0 ]; then
  printf 'SOMETHING WAS NOT AS EXPECTED: %s\n' "${problems[*]}"
  exit 1
fi
echo "The example ran in the engine as expected; its picture is dist/sky-puzzle.png."
echo "Players install it with $installer (per user, no administrator rights; /S for a silent install)."
