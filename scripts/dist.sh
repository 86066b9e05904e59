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

# Run it: the example plays in a real browser engine (headless Chromium behind the engine runtime,
# inside a loopback-only network namespace) from a copy of the folder. Steps slide three tiles and
# follow the credits link; the page is saved as dist/sky-puzzle.png. Exits non-zero when the run
# did not end cleanly or the page saw an error.
echo
summary="$(mktemp)"
trap 'rm -f "$summary"' EXIT
set +e
bash scripts/preview.sh "$app" --steps examples/sky-puzzle/preview-steps.json --seconds 3 \
  --screenshot dist/sky-puzzle.png | tee "$summary"
code=${PIPESTATUS[0]}
set -e
problems=()
[ "$code" -eq 0 ] || problems+=("exit code $code")
[ -f dist/sky-puzzle.png ] || problems+=("no picture")
grep -q 'title "Sky Puzzle - Level 1 - 3 moves"' "$summary" || problems+=("the moves did not reach the title")
grep -q -e 'console error' -e 'uncaught exception' "$summary" && problems+=("the page reported errors")
grep -E '^  [0-9]+ request .* -> [0-9]+' "$summary" | grep -qv -e ' -> 200 ' -e ' -> 206 ' &&
  problems+=("a request was not answered 200 or 206")
if [ ${#problems[@]} -gt 0 ]; then
  printf 'SOMETHING WAS NOT AS EXPECTED: %s\n' "${problems[*]}"
  exit 1
fi
echo "The example ran in the engine as expected; its picture is dist/sky-puzzle.png."
