#!/usr/bin/env bash
# Usage: package_test.sh BUILD_DIR table|folders|together   (inside a Wine session: ctest under
# scripts/with-wine.sh)
#   table     quorvane-pack.exe, as makers run it, against bad and odd apps, one table: each input
#             with its exit code and its messages; after every failed run the previous package is
#             there unchanged and nothing is left behind. Then a good run replaces it, twice to the
#             same bytes, and package.sh gives that same zip.
#   folders   package.sh with app and output folders that Windows cannot name.
#   together  package.sh twice at once, and package.sh interrupted.
#   outputs   package.sh and quorvane-pack.exe refusing to replace what is not theirs: the app folder
#             (under another letter case, through a link) and links at the outputs.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$1"
export QV_BUILD_DIR="$build" QV_NO_BUILD=1
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

pack() {
  LC_ALL=C.UTF-8 bash "$root/scripts/wine-run.sh" "$build" "$build/app/quorvane-pack.exe" "$@" </dev/null
}
package() { bash "$root/scripts/package.sh" "$@" </dev/null; }

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
zip_listing() { python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$1"; }

mkdir -p good/www/empty
printf '{"name": "Star Hopper", "version": "1.2.0", "window": {"icon": "icon.png"}}' >good/package.json
echo '<!DOCTYPE html><title>Star Hopper</title>' >good/www/index.html
png good/icon.png 40 40

failures=0
failed() {
  printf 'FAILED: %s\n' "$*"
  failures=$((failures + 1))
}
fingerprint() { (cd "$1" && find . | sort && find . -type f -print0 | sort -z | xargs -0 sha1sum); }

case "$2" in
outputs)
  # refused CODE MESSAGE COMMAND...: COMMAND ends with CODE and says MESSAGE, and nothing in the
  # work folder changed: no file, folder or link, and no content.
  tree() { find . -path ./wine.log -prune -o -printf '%p %y %l\n' | sort && find . -type f ! -name wine.log -print0 | sort -z | xargs -0 sha1sum; }
  refused() {
    local code=$1 message=$2 before rc=0 output
    shift 2
    before="$(tree)"
    output="$("$@" 2>&1 >/dev/null)" || rc=$?
    [ "$rc" = "$code" ] && [ "$output" = "$message" ] ||
      failed "$(printf '%s\n  expected %s: %s\n  got      %s: %s' "$*" "$code" "$message" "$rc" "$output")"
    [ "$(tree)" = "$before" ] || failed "$*: changed $(diff <(echo "$before") <(tree) | head -n 6)"
  }
  again="is the app folder itself or holds it: choose another OUT_FOLDER"
  # The app folder inside the output folder under the package's name in another letter case:
  # Windows (and Wine) take "Star Hopper" for "star hopper". Its .git and art must survive.
  mkdir -p x && cp -R good "x/star hopper" && mkdir "x/star hopper/.git" && echo ref >"x/star hopper/.git/HEAD"
  refused 2 "package.sh: x/star hopper $again" package "x/star hopper" x
  refused 2 "quorvane-pack: x\\star hopper $again" pack "x/star hopper" x
  # The same folder reached through a link, which the name's text does not show.
  ln -s "x/star hopper" applink
  refused 2 "quorvane-pack: x\\star hopper $again" pack applink x
  refused 2 "package.sh: x/star hopper $again" package applink x
  # Deeper: the output's "STAR HOPPER" holds the app folder.
  mkdir -p "y/STAR HOPPER" && cp -R good "y/STAR HOPPER/src"
  refused 2 "package.sh: y/STAR HOPPER $again" package "y/STAR HOPPER/src" y
  refused 2 "quorvane-pack: y\\STAR HOPPER $again" pack "y/STAR HOPPER/src" y

  # Links where the package and the zip go: refused, the link and what it leads to as they were
  # (Wine moves and deletes what a link leads to, where Windows would take the link itself).
  mkdir -p keep/folder z && echo mine >keep/folder/notes.txt && echo "my zip" >keep/precious.zip
  link="is a link: the packager replaces neither a link nor what it leads to; remove the link or choose another OUT_FOLDER"
  ln -s ../keep/precious.zip "z/Star Hopper.zip"
  refused 2 "package.sh: z/Star Hopper.zip $link" package good z
  refused 2 "quorvane-pack: z\\Star Hopper.zip $link" pack good z
  rm "z/Star Hopper.zip" && ln -s ../keep/precious.zip "z/STAR HOPPER.ZIP"
  refused 2 "quorvane-pack: z\\STAR HOPPER.ZIP $link" pack good z
  rm "z/STAR HOPPER.ZIP" && ln -s ../keep/folder "z/Star Hopper"
  refused 2 "package.sh: z/Star Hopper $link" package good z
  refused 2 "quorvane-pack: z\\Star Hopper $link" pack good z
  # A link inside the package being replaced stays, and so does what it leads to; the rest of the
  # previous package goes.
  rm "z/Star Hopper" && pack good z >/dev/null && ln -s ../../../keep/precious.zip "z/Star Hopper/www/music.ogg"
  rc=0
  output="$(pack good z 2>&1 >/dev/null)" || rc=$?
  case "$rc $output" in
    "0 quorvane-pack: the previous package could not all be deleted; what is left of it is in z\\.quorvane-pack-"*) ;;
    *) failed "a link inside the previous package: $rc: $output" ;;
  esac
  [ "$(cat keep/precious.zip)" = "my zip" ] || failed "the link's file inside the previous package was deleted"
  [ "$(cd z && find . -path '*/www/*' | sort)" = "$(printf './.quorvane-pack-%s/Star Hopper/www/music.ogg\n./Star Hopper/www/empty\n./Star Hopper/www/index.html' "$(ls -A z | sed -n 's/^\.quorvane-pack-//p')")" ] ||
    failed "after replacing a package holding a link z/ holds $(cd z && find . | sort)"
  ;;
table)
  pack good out >/dev/null
  before="$(fingerprint out)"
  [ -f "out/Star Hopper/Star Hopper.exe" ] && [ -f "out/Star Hopper.zip" ] || failed "no first package"

  # expect CODE MESSAGE SETUP [ARGS...]: SETUP runs in a fresh copy of the good app, "app";
  # quorvane-pack.exe then packages "app" into "out" (or is given ARGS).
  expect() {
    local code=$1 message=$2 setup=$3
    shift 3
    [ $# -gt 0 ] || set -- app out
    rm -rf app && cp -R good app
    (cd app && eval "$setup")
    local rc=0 output
    output="$(pack "$@" 2>&1 >/dev/null)" || rc=$?
    if [ "$rc" != "$code" ] || [ "$output" != "$message" ]; then
      failed "$(printf '%s\n  expected %s: %s\n  got      %s: %s' "$setup" "$code" "$message" "$rc" "$output")"
    fi
    if [ "$(fingerprint out)" != "$before" ]; then
      failed "$setup: the previous package changed or something was left in out/"
      before="$(fingerprint out)"
    fi
  }

  p="quorvane-pack: app"
  long="$(printf '星%.0s' $(seq 88))" cut="$(printf '星%.0s' $(seq 83))"
  expect 1 "$p\\package.json: not found (every app needs its manifest)" 'rm package.json'
  expect 1 "$p\\package.json: is empty" ': >package.json'
  expect 1 "$p\\package.json: not valid JSON (parse error at line 1, column 17: syntax error while parsing object key - unexpected end of input; expected string literal)" \
    'printf "{\"name\": \"Star\"," >package.json'
  expect 1 "$p\\package.json: \"name\" must be a non-empty string" 'echo "{\"name\": \"\"}" >package.json'
  expect 1 "$p\\package.json: \"settings\" / \"distribution-mode\" must be \"evergreen\" or \"fixed\"" \
    'echo "{\"name\": \"S\", \"settings\": {\"distribution-mode\": \"Fixed\"}}" >package.json'
  expect 1 "$p\\package.json: \"version\" is not a version: \"1.x\" (expected numbers such as 1.2.3, or 1.2.3-beta.1; each at most 65535)" \
    'echo "{\"name\": \"S\", \"version\": \"1.x\"}" >package.json'
  expect 1 "$p\\package.json: \"company\" must be a string" 'echo "{\"name\": \"S\", \"company\": 7}" >package.json'
  # The executable's and the installer's properties show one line: line breaks are refused.
  expect 1 "$p\\package.json: \"company\" holds a line break, which the executable's properties cannot show: write it on one line" \
    'echo "{\"name\": \"S\", \"company\": \"Nebula\\nGames\"}" >package.json'
  expect 1 "$p\\package.json: \"name\" holds a line break, which the executable's properties cannot show: write it on one line" \
    'echo "{\"name\": \"Star\\r\\nHopper\"}" >package.json'
  expect 1 "$p\\package.json: \"copyright\" holds a control character (U+0009), which the executable's properties cannot show: write it on one line" \
    'echo "{\"name\": \"S\", \"copyright\": \"(c)\\t2026\"}" >package.json'
  expect 1 "$p\\icon.png: not found (named by \"window\" / \"icon\" in package.json)" 'rm icon.png'
  expect 1 "$p\\icon.png: is not an image; a PNG or an .ico is expected (named by \"window\" / \"icon\" in package.json)" \
    'echo "not an image" >icon.png'
  expect 1 "$p\\art\\wide.png: is 64x32 pixels; an icon must be square (named by \"executable-icon\" in package.json)" \
    'mkdir art && png art/wide.png 64 32 && echo "{\"name\": \"S\", \"executable-icon\": \"art/wide.png\"}" >package.json'
  expect 1 "$p\\..\\icon.png: lies outside the app folder, where the packaged app cannot find it (named by \"window\" / \"icon\" in package.json)" \
    'echo "{\"name\": \"S\", \"window\": {\"icon\": \"../icon.png\"}}" >package.json'
  expect 1 "$p\\www: no such folder (the app's pages, scripts and media belong there)" 'rm -r www'
  expect 1 "$p\\www\\game.html: not found; it is the app's main page (\"main\" in package.json, index.html by default)" \
    'echo "{\"name\": \"S\", \"main\": \"game.html?level=1\"}" >package.json'
  expect 1 "$p\\webview2: no such folder, but \"settings\" / \"distribution-mode\" is \"fixed\": ship the WebView2 runtime there" \
    'echo "{\"name\": \"S\", \"settings\": {\"distribution-mode\": \"fixed\"}}" >package.json'
  # Names a Linux or case-sensitive folder holds and Windows cannot: every one, before anything
  # is written.
  expect 1 "$p\\www\\CON: Windows cannot hold this name: CON is a device name
$p\\www\\Logo.png: Windows cannot hold this name beside logo.png: they differ only in letter case
$p\\www\\a:b.png: Windows cannot hold this name: \":\" is not allowed in names
$p\\www\\aux.js: Windows cannot hold this name: aux is a device name
$p\\www\\blank : Windows cannot hold this name: it ends in a blank
$p\\www\\dot.: Windows cannot hold this name: it ends in a dot
$p\\www\\logo.png: Windows cannot hold this name beside Logo.png: they differ only in letter case
$p\\webview2\\sub\\Nul.dll: Windows cannot hold this name: Nul is a device name" \
    'touch www/Logo.png www/logo.png www/aux.js www/a:b.png www/dot. "www/blank " && mkdir -p www/CON webview2/sub &&
     touch www/CON/x.js webview2/sub/Nul.dll && echo "{\"name\": \"S\", \"settings\": {\"distribution-mode\": \"fixed\"}}" >package.json'
  expect 1 "quorvane-pack: nowhere: no such folder" ':' nowhere out
  expect 1 "quorvane-pack: Game.: Windows cannot use this path: \"Game.\": it ends in a dot" \
    'cp -R ../good ../Game.' Game. out
  expect 2 "quorvane-pack: what?/out: Windows cannot use this path: \"what?\": \"?\" is not allowed in names" \
    ':' app "what?/out"
  expect 2 "quorvane-pack: app/dist is inside the app folder app: the package would end up inside itself" ':' app app/dist
  expect 2 "quorvane-pack: elsewhere\\Star Hopper is the app folder itself or holds it: choose another OUT_FOLDER" \
    'rm -rf ../elsewhere && mkdir ../elsewhere && cp -R ../good "../elsewhere/Star Hopper"' "elsewhere/Star Hopper" elsewhere
  expect 2 "quorvane-pack: --name \"a/b\" is not usable as a Windows file name (for example \"a_b\" is)" ':' --name a/b app out
  expect 2 "quorvane-pack: --name \"${long:0:84}\" is not usable as a Windows file name (for example \"$cut\" is)" \
    ':' --name "${long:0:84}" app out
  expect 2 "quorvane-pack: usage: quorvane-pack.exe [--name NAME] APP_FOLDER [OUT_FOLDER]" ':' app out extra
  SOURCE_DATE_EPOCH=soon expect 2 "quorvane-pack: SOURCE_DATE_EPOCH is not a number of seconds: \"soon\"" ':'
  # One run through package.sh: its messages and exit codes are quorvane-pack.exe's.
  rm -rf app && cp -R good app && rm app/package.json
  rc=0
  output="$(package app out 2>&1 >/dev/null)" || rc=$?
  [ $rc = 1 ] && [ "$output" = "package.sh: app/package.json: not found (every app needs its manifest)" ] ||
    failed "package.sh without package.json: $rc: $output"
  [ "$(fingerprint out)" = "$before" ] || failed "package.sh changed the previous package"
  # Wine failing without a word is said to be that, not an app folder problem.
  rm -rf app && cp -R good app && mkdir -p fake && printf '#!/bin/sh\nexit 1\n' >fake/wine && chmod +x fake/wine
  rc=0
  output="$(PATH="$PWD/fake:$PATH" package app out 2>&1 >/dev/null)" || rc=$?
  [ $rc = 3 ] && [ "$output" = "package.sh: quorvane-pack.exe ended with exit code 1 and no message under Wine" ] ||
    failed "package.sh with a silent Wine failure: $rc: $output"
  [ "$(fingerprint out)" = "$before" ] || failed "package.sh changed the previous package"

  # A good run replaces the package: a fixed-mode app, named on the command line, whose window
  # icon lies outside www/. Twice the same zip, and package.sh's is the same too.
  rm -rf app && cp -R good app && mkdir -p app/webview2 && echo runtime >app/webview2/stub.dll
  echo '{"name": "Star Hopper", "window": {"icon": "icon.png"},
         "settings": {"distribution-mode": "fixed", "enable-devtools": "false", "browser-key": false}}' >app/package.json
  # Members the shell would read otherwise than meant are warned about, and packaged all the same.
  warned="app/package.json: \"settings.enable-devtools\" is a string, not a boolean: true is used
app/package.json: \"settings.browser-key\" is not a member the shell knows (ignored)"
  output="$(pack --name "Star Hopper" app out 2>&1 >/dev/null)" || failed "the warned app did not package"
  # quorvane-pack.exe, a Windows program, writes Windows paths; package.sh Linux ones.
  [ "$output" = "$(sed 's/^/quorvane-pack: warning: /; s|app/|app\\|' <<<"$warned")" ] ||
    failed "quorvane-pack.exe warned: $output"
  expected="Star Hopper/
Star Hopper/Star Hopper.exe
Star Hopper/icon.png
Star Hopper/package.json
Star Hopper/webview2/
Star Hopper/webview2/stub.dll
Star Hopper/www/
Star Hopper/www/empty/
Star Hopper/www/index.html"
  listing="$(zip_listing "out/Star Hopper.zip")"
  if [ "$listing" != "$expected" ] || [ "$(ls -A out)" != "$(printf 'Star Hopper\nStar Hopper.zip')" ]; then
    failed "$(printf 'the second package holds:\n%s\nand out/ holds:\n%s' "$listing" "$(ls -A out)")"
  fi
  cmp -s app/package.json "out/Star Hopper/package.json" || failed "package.json not replaced"
  pack app again >/dev/null 2>&1
  cmp -s "out/Star Hopper.zip" "again/Star Hopper.zip" || failed "two runs gave two different zips"
  output="$(package app again 2>&1 >/dev/null)" || failed "package.sh did not package the warned app"
  [ "$output" = "$(sed 's/^/package.sh: warning: /' <<<"$warned")" ] || failed "package.sh warned: $output"
  cmp -s "out/Star Hopper.zip" "again/Star Hopper.zip" || failed "package.sh's zip differs from quorvane-pack.exe's"
  SOURCE_DATE_EPOCH=1700000000 pack app fixed >/dev/null 2>&1
  times="$(python3 -c 'import sys, zipfile; print(sorted({i.date_time for i in zipfile.ZipFile(sys.argv[1]).infolist()}))' "fixed/Star Hopper.zip")"
  [ "$times" = "[(2023, 11, 14, 22, 13, 20)]" ] || failed "SOURCE_DATE_EPOCH gave entry times $times"

  # The name's cap is its encoded length: 88 Chinese characters are 264 bytes of UTF-8, more than
  # a Linux name holds with ".zip".
  echo "{\"name\": \"$long\"}" >app/package.json
  pack app long >/dev/null || failed "a long Chinese name did not package"
  [ -f "long/$cut/$cut.exe" ] && [ -f "long/$cut.zip" ] || failed "the long name was not cut to 83 characters"
  ;;
folders)
  # Folder names Windows cannot use, for the app and for the output, in both roles; names equal to
  # what the packager once used for its own work files.
  a='t/Game./Game /CON/aux.game' b='t/a\b/My "Quoted" Game/what?'
  mkdir -p "$a" "$b"
  cp -R good/. "$a" && cp -R good/. "$b"
  for run in "$a|$b/out|previous" "$b|$a/out|stamped.exe"; do
    IFS='|' read -r app out name <<<"$run"
    rc=0
    output="$(package --name "$name" "$app" "$out" 2>&1)" || rc=$?
    if [ $rc != 0 ] || [ "$output" != "Packaged \"$name\": $out/$name/ and $out/$name.zip (\
$(( ($(stat -c %s "$out/$name.zip") + 1023) / 1024 )) KiB)" ]; then
      failed "package.sh $app $out: $rc: $output"
    fi
    [ "$(ls -A "$out")" = "$(printf '%s\n%s.zip' "$name" "$name")" ] || failed "$out holds $(ls -A "$out")"
    zip_listing "$out/$name.zip" | grep -Fx "$name/$name.exe" >/dev/null ||
      failed "$out/$name.zip holds $(zip_listing "$out/$name.zip" | tr '\n' ' ')"
  done
  ;;
together)
  # Two packagers at once, each with its own Wine server, as makers run them: outside the tests'
  # Wine session, from the build tree's own prefix.
  unset QV_WINE_SESSION
  cp -R good other && sed -i 's/Star Hopper/Moon Hopper/' other/package.json
  rc1=0 rc2=0
  package good out >one.log 2>&1 &
  first=$!
  package other out >two.log 2>&1 || rc2=$?
  wait $first || rc1=$?
  [ $rc1 = 0 ] && [ $rc2 = 0 ] || failed "two packagers at once: $rc1 $(cat one.log) / $rc2 $(cat two.log)"
  [ "$(ls -A out)" = "$(printf 'Moon Hopper\nMoon Hopper.zip\nStar Hopper\nStar Hopper.zip')" ] ||
    failed "after two packagers out/ holds $(ls -A out)"

  # Ctrl-C while the package is being made: exit 130, the previous package as it was. A large
  # www/ keeps the packager busy.
  before="$(fingerprint out)"
  head -c 60000000 /dev/urandom >good/www/big.bin
  . "$root/tests/scripts/interrupt.sh"
  rc=0
  interrupt_when "out/.package.*/stage/Star Hopper/www" int.log bash "$root/scripts/package.sh" good out ||
    rc=$?
  [ $rc = 130 ] || failed "Ctrl-C: exit code $rc: $(cat int.log)"
  [ "$(cat int.log)" = "package.sh: interrupted; out is as it was" ] ||
    failed "Ctrl-C said: $(cat int.log)"
  [ "$(fingerprint out)" = "$before" ] || failed "Ctrl-C changed out/: $(ls -A out)"

  # The same Ctrl-C while one of the script's own steps runs (it reads the packager's answers with
  # sed, held here): the step dies of it too, and the run still says why it ended.
  hold_step held sed '^name=' "$PWD/in-step"
  rc=0
  PATH="$PWD/held:$PATH" interrupt_when in-step int.log bash "$root/scripts/package.sh" good out ||
    rc=$?
  [ $rc = 130 ] && [ "$(cat int.log)" = "package.sh: interrupted; out is as it was" ] ||
    failed "Ctrl-C in a step of the script: exit code $rc: $(cat int.log)"
  [ "$(fingerprint out)" = "$before" ] || failed "Ctrl-C in a step changed out/: $(ls -A out)"
  ;;
esac

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
