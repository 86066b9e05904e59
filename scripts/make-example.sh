#!/usr/bin/env bash
# Usage: make-example.sh DEST
# Lays out the example app (examples/sky-puzzle: package.json and www/) in DEST, a fresh folder,
# with its binary assets made (icon, sprite, music, font): as the main job packages it and the
# download for Windows makers ships it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dest="$1"
rm -rf "$dest"
mkdir -p "$dest/www/fonts"
cp "$root/examples/sky-puzzle/package.json" "$dest/"
cp -R "$root/examples/sky-puzzle/www/." "$dest/www/"
python3 "$root/scripts/make-example-assets.py" "$dest/www"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$dest/www/fonts/"
