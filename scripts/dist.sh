#!/usr/bin/env bash
# The main job: builds what it needs, packages the example app with scripts/package.sh exactly as
# a user packages theirs (dist/Sky Puzzle/, dist/Sky Puzzle.zip and the players' installer
# dist/Sky Puzzle Setup 1.0.0.exe, unsigned), writes the download for makers on Windows
# (dist/Quorvane-<version>-win64.zip), then runs the package.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# 1. Build: the shell and the packager, and the programs the run needs (no tests).
bash scripts/build.sh Quorvane quorvane-pack qv_engine_runtime qv_link_recorder qv_session_desktop

# 2. Package. The example's binary assets (icon, sprite, music, font) are made here, into a copy
#    of its folder in the build tree.
example=build/example/sky-puzzle
bash scripts/make-example.sh "$example"
QV_NO_BUILD=1 bash scripts/package.sh --installer "$example" dist
package="dist/Sky Puzzle"  # the manifest's "name"
installer="dist/Sky Puzzle Setup 1.0.0.exe"  # the manifest's "name" and "version"

# The download for makers on Windows: the shell, quorvane-pack.exe, the example and README.txt.
download="$(bash scripts/make-download.sh build "$example" dist)"
echo "The download for Windows makers: $download"

echo
echo "The package:"
find "$package" -type f | sort | sed 's/^/  /'

# 3. Run it: the example plays in a real browser engine (headless Chromium behind the engine runtime,
# inside a loopback-only network namespace) from a copy of the folder. Steps slide three tiles and
# follow the credits link; the page is saved as dist/sky-puzzle.png. Exits non-zero when the run
# did not end cleanly (--strict: an answer of 400 or more, a console error, an uncaught exception
# or a failed step counts) or anything promised above is missing.
echo
summary="$(mktemp)"
trap 'rm -f "$summary"' EXIT
picture=dist/sky-puzzle.png
rm -f "$picture"  # only this run's picture counts
set +e
QV_NO_BUILD=1 bash scripts/preview.sh "$package" --strict --steps examples/sky-puzzle/preview-steps.json \
  --seconds 30 --screenshot "$picture" | tee "$summary"
code=${PIPESTATUS[0]}
set -e
problems=()
[ "$code" -eq 0 ] || problems+=("exit code $code")
[ -f "$installer" ] || problems+=("no installer")
for file in "$package/Sky Puzzle.exe" "$package/package.json" "$package/www/index.html"; do
  [ -f "$file" ] || problems+=("no $file")
done
python3 - "dist/Sky Puzzle.zip" <<'PY' || problems+=("dist/Sky Puzzle.zip does not hold the package")
import sys, zipfile
try:
    names = set(zipfile.ZipFile(sys.argv[1]).namelist())
except (OSError, zipfile.BadZipFile):
    sys.exit(1)
sys.exit(not {"Sky Puzzle/Sky Puzzle.exe", "Sky Puzzle/www/index.html"} <= names)
PY
[ "$(head -c 8 "$picture" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  problems+=("no picture")
grep -q 'title "Sky Puzzle - Level 1 - 3 moves"' "$summary" || problems+=("the moves did not reach the title")
grep -qxF '  https://example.com/sky-puzzle/credits' "$summary" ||
  problems+=("the credits link was not handed to the default program")
grep -E '^  [0-9]+ request .* -> [0-9]+' "$summary" | grep -qv -e ' -> 200 ' -e ' -> 206 ' &&
  problems+=("a request was not answered 200 or 206")
if [ ${#problems[@]} -gt 0 ]; then
  joined="$(printf '; %s' "${problems[@]}")"
  echo "SOMETHING WAS NOT AS EXPECTED: ${joined#; }"
  exit 1
fi
echo "The example ran in the engine as expected; its picture is dist/sky-puzzle.png."
echo "Players install it with $installer (per user, no administrator rights; /S for a silent install)."
