#!/usr/bin/env bash
# Usage: download_test.sh BUILD_DIR   (inside a Wine session: ctest under scripts/with-wine.sh)
# The download for makers on Windows holds what its README.txt says it holds, and the
# quorvane-pack.exe taken out of it packages the example, with no Linux tool in between.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

bash "$root/scripts/make-example.sh" "$work/example"
zip="$(bash "$root/scripts/make-download.sh" "$build" "$work/example" "$work")"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
top="Quorvane-$version-win64"
[ "$zip" = "$work/$top.zip" ] || { echo "FAILED: the download is $zip"; exit 1; }

python3 - "$zip" "$top" "$work/x" <<'PY'
import re, sys, zipfile
path, top, into = sys.argv[1:]
archive = zipfile.ZipFile(path)
names = archive.namelist()
problems = [f"{n}: outside {top}/" for n in names if not n.startswith(top + "/")]
readme = archive.read(top + "/README.txt")
if re.search(rb"(?<!\r)\n", readme):
    problems.append("README.txt has line ends other than CRLF")
lines = readme.decode("ascii").split("\r\n")
if lines[0] != f"Quorvane {top.split('-')[1]} for Windows (x64)":
    problems.append(f"README.txt begins {lines[0]!r}")
# The list under "What is in this zip": one item a line, its name first.
start = lines.index("What is in this zip") + 3
listed = set()
for line in lines[start:]:
    if not line.strip():
        break
    listed.add(line.split()[0].replace("\\", "/"))
present = {n[len(top) + 1:].split("/")[0] + ("/" if n[len(top) + 1:].count("/") else "") for n in names}
if listed != present:
    problems.append(f"README.txt lists {sorted(listed)}, the zip holds {sorted(present)}")
example = {n.split("/")[2] for n in names if n.startswith(top + "/sky-puzzle/")}
if example != {"package.json", "www"}:
    problems.append(f"sky-puzzle/ holds {sorted(example)}")
for name in ("www/index.html", "www/img/icon.png", "www/fonts/DejaVuSans.ttf"):
    if f"{top}/sky-puzzle/{name}" not in names:
        problems.append(f"sky-puzzle/{name} is missing")
for problem in problems:
    print("FAILED:", problem)
archive.extractall(into)
sys.exit(1 if problems else 0)
PY

# As a maker on Windows: in the unpacked folder, quorvane-pack.exe sky-puzzle.
cd "$work/x/$top"
failures=0
output="$(LC_ALL=C.UTF-8 bash "$root/scripts/wine-run.sh" "$build" "$PWD/quorvane-pack.exe" sky-puzzle </dev/null 2>&1)" ||
  { echo "FAILED: quorvane-pack.exe sky-puzzle: $output"; failures=1; }
case "$output" in
  # Windows paths, as a maker on Windows writes them.
  "Packaged \"Sky Puzzle\": dist\\Sky Puzzle\\ and dist\\Sky Puzzle.zip ("*" KiB)") ;;
  *) echo "FAILED: quorvane-pack.exe said: $output"; failures=1 ;;
esac
python3 "$root/tests/stamp/zip_matches_folder.py" dist || failures=1
[ -f "dist/Sky Puzzle/Sky Puzzle.exe" ] && [ -f "dist/Sky Puzzle/www/index.html" ] ||
  { echo "FAILED: dist/Sky Puzzle/ is not the package"; failures=1; }
reported="$(bash "$root/scripts/wine-run.sh" "$build" "$PWD/quorvane-pack.exe" --version </dev/null)"
[ "$reported" = "quorvane-pack $version" ] || { echo "FAILED: --version says $reported"; failures=1; }
exit $failures
