#!/usr/bin/env bash
# Usage: make-download.sh BUILD_DIR EXAMPLE_FOLDER OUT_FOLDER
# Writes OUT_FOLDER/Quorvane-<version>-win64.zip, the download for makers on Windows: one folder
# of that name holding Quorvane.exe, quorvane-pack.exe, README.txt (docs/download-readme.txt,
# plain text with CRLF line ends) and the example app (EXAMPLE_FOLDER's package.json and www/,
# its assets made) as sky-puzzle/. <version> is the project's version (CMake's). Prints the path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1" example="$2" out="$3"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "make-download.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
name="Quorvane-$version-win64"
mkdir -p "$out"
python3 - "$root/docs/download-readme.txt" "$build/app" "$example" "$out/$name.zip" "$name" "$version" <<'PY'
import os, sys, zipfile
readme, app, example, target, name, version = sys.argv[1:]
text = open(readme, encoding="utf-8").read().replace("@VERSION@", version)
files = [(os.path.join(app, "Quorvane.exe"), "Quorvane.exe"),
         (os.path.join(app, "quorvane-pack.exe"), "quorvane-pack.exe"),
         (os.path.join(example, "package.json"), "sky-puzzle/package.json")]
for folder, folders, names in os.walk(os.path.join(example, "www")):
    folders.sort()
    for file in sorted(names):
        path = os.path.join(folder, file)
        files.append((path, "sky-puzzle/" + os.path.relpath(path, example).replace(os.sep, "/")))
partial = target + ".partial"
with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as archive:
    archive.writestr(name + "/README.txt", text.replace("\n", "\r\n").encode("utf-8"))
    for path, entry in files:
        archive.write(path, name + "/" + entry)
os.replace(partial, target)
PY
echo "$out/$name.zip"
