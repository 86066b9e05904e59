#!/usr/bin/env bash
# Usage: package_test.sh BUILD_DIR   (inside a Wine session: ctest under scripts/with-wine.sh)
# scripts/package.sh against broken apps, one table: each bad input with its exit code and its
# message; after every failed run the previous package is there unchanged and nothing is left
# behind. Then a good run replaces it.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export QV_BUILD_DIR="$1" QV_NO_BUILD=1
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# A PNG of WIDTH x HEIGHT pixels.
png() {
  python3 - "$@" <<'PY'
import struct, sys, zlib
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + b"\x20\x60\xe0\xff" * width for _ in range(height))
open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                       + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PY
}

mkdir -p good/www
printf '{"name": "Star Hopper", "version": "1.2.0", "window": {"icon": "icon.png"}}' >good/package.json
echo '<!DOCTYPE html><title>Star Hopper</title>' >good/www/index.html
png good/icon.png 40 40

bash "$root/scripts/package.sh" good out >/dev/null
fingerprint() { (cd out && find . | sort && find . -type f -print0 | sort -z | xargs -0 sha1sum); }
before="$(fingerprint)"
[ -f "out/Star Hopper/Star Hopper.exe" ] && [ -f "out/Star Hopper.zip" ] || { echo "no first package"; exit 1; }

failures=0
# expect CODE MESSAGE SETUP [OPTIONS...]: SETUP runs in a fresh copy of the good app, "app";
# package.sh then packages "app" into "out" (OPTIONS go first).
expect() {
  local code=$1 message=$2 setup=$3
  shift 3
  rm -rf app && cp -R good app
  (cd app && eval "$setup")
  local rc=0 output
  output="$(bash "$root/scripts/package.sh" "$@" 2>&1 >/dev/null)" || rc=$?
  if [ "$rc" != "$code" ] || [ "$output" != "$message" ]; then
    printf 'FAILED: %s\n  expected %s: %s\n  got      %s: %s\n' "$setup" "$code" "$message" "$rc" "$output"
    failures=$((failures + 1))
  fi
  if [ "$(fingerprint)" != "$before" ]; then
    printf 'FAILED: %s: the previous package changed or something was left in out/\n' "$setup"
    failures=$((failures + 1))
    before="$(fingerprint)"
  fi
}

p="package.sh: app"
expect 1 "$p/package.json: not found (every app needs its manifest)" 'rm package.json' app out
expect 1 "$p/package.json: is empty" ': >package.json' app out
expect 1 "$p/package.json: not valid JSON (parse error at line 1, column 17: syntax error while parsing object key - unexpected end of input; expected string literal)" \
  'printf "{\"name\": \"Star\"," >package.json' app out
expect 1 "$p/package.json: \"name\" must be a non-empty string" 'echo "{\"name\": \"\"}" >package.json' app out
expect 1 "$p/package.json: \"settings\" / \"distribution-mode\" must be \"evergreen\" or \"fixed\"" \
  'echo "{\"name\": \"S\", \"settings\": {\"distribution-mode\": \"Fixed\"}}" >package.json' app out
expect 1 "$p/package.json: \"version\" is not a version: \"1.x\" (expected numbers such as 1.2.3, or 1.2.3-beta.1; each at most 65535)" \
  'echo "{\"name\": \"S\", \"version\": \"1.x\"}" >package.json' app out
expect 1 "$p/package.json: \"company\" must be a string" 'echo "{\"name\": \"S\", \"company\": 7}" >package.json' app out
expect 1 "$p/icon.png: not found (named by \"window\" / \"icon\" in package.json)" 'rm icon.png' app out
expect 1 "$p/icon.png: is not an image; a PNG or an .ico is expected (named by \"window\" / \"icon\" in package.json)" \
  'echo "not an image" >icon.png' app out
expect 1 "$p/art/wide.png: is 64x32 pixels; an icon must be square (named by \"executable-icon\" in package.json)" \
  'mkdir art && png art/wide.png 64 32 && echo "{\"name\": \"S\", \"executable-icon\": \"art/wide.png\"}" >package.json' app out
expect 1 "$p/../icon.png: lies outside the app folder, where the packaged app cannot find it (named by \"window\" / \"icon\" in package.json)" \
  'echo "{\"name\": \"S\", \"window\": {\"icon\": \"../icon.png\"}}" >package.json' app out
expect 1 "$p/www: no such folder (the app's pages, scripts and media belong there)" 'rm -r www' app out
expect 1 "$p/www/game.html: not found; it is the app's main page (\"main\" in package.json, index.html by default)" \
  'echo "{\"name\": \"S\", \"main\": \"game.html?level=1\"}" >package.json' app out
expect 1 "$p/webview2: no such folder, but \"settings\" / \"distribution-mode\" is \"fixed\": ship the WebView2 runtime there" \
  'echo "{\"name\": \"S\", \"settings\": {\"distribution-mode\": \"fixed\"}}" >package.json' app out
expect 1 "package.sh: nowhere: no such folder" ':' nowhere out
expect 2 "package.sh: app/dist is inside the app folder app: the package would end up inside itself" ':' app app/dist
expect 2 "package.sh: elsewhere/Star Hopper is the app folder itself or holds it: choose another OUT_FOLDER" \
  'mkdir ../elsewhere && cp -R ../good "../elsewhere/Star Hopper"' "elsewhere/Star Hopper" elsewhere
expect 2 "package.sh: --name \"a/b\" is not usable as a Windows file name (for example \"a_b\" is)" ':' --name a/b app out
expect 2 "package.sh: usage: package.sh [--name NAME] [--sign FILE.pfx [--timestamp URL]] [--installer] APP_FOLDER [OUT_FOLDER]" ':' app out extra

# A good run replaces the package: a fixed-mode app, named on the command line, whose window icon
# lies outside www/.
rm -rf app && cp -R good app && mkdir -p app/webview2 && echo runtime >app/webview2/stub.dll
echo '{"name": "Star Hopper", "window": {"icon": "icon.png"},
       "settings": {"distribution-mode": "fixed"}}' >app/package.json
bash "$root/scripts/package.sh" --name "Star Hopper" app out >/dev/null
listing="$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "out/Star Hopper.zip")"
expected="Star Hopper/Star Hopper.exe
Star Hopper/icon.png
Star Hopper/package.json
Star Hopper/webview2/stub.dll
Star Hopper/www/index.html"
if [ "$listing" != "$expected" ] || [ "$(ls -A out)" != "$(printf 'Star Hopper\nStar Hopper.zip')" ]; then
  printf 'FAILED: the second package holds:\n%s\nand out/ holds:\n%s\n' "$listing" "$(ls -A out)"
  failures=$((failures + 1))
fi
cmp -s app/package.json "out/Star Hopper/package.json" || { echo "FAILED: package.json not replaced"; failures=$((failures + 1)); }

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
