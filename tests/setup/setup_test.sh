#!/usr/bin/env bash
# Usage: setup_test.sh BUILD_DIR   (inside a Wine session: ctest under scripts/with-wine.sh)
# A signed package and its installer, end to end: package.sh --sign --installer with a test
# certificate authority; the shell, the uninstaller and the installer verify against that
# authority and not against another. Then, as a player: a silent install puts the files, the
# Start-menu shortcut and the uninstall entry in place; the installed app starts from its shortcut
# (stand-in runtime, shipped as the app's fixed runtime) and serves its page; a second version
# installed over it leaves exactly its own files; a silent uninstall removes files, shortcut and
# entry and keeps the player's saves. Prints the installer's size and the install and uninstall
# times.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
export QV_BUILD_DIR="$build" QV_NO_BUILD=1 LC_ALL=C.UTF-8
. "$root/tests/setup/certificates.sh"

# The manifest's name, and so the file name, and the company and copyright: with every character
# the installer's script language reads as its own ($, {, }, quotes, ";"), and "&", which dialogs
# take for a shortcut key.
name='Étoile ${NSISDIR} `Ca$h` '"'"'Rush'"'"'; {x} & Co'
company='Nébula $0 `Games`; {Ltd}'
copyright='© 2026 Nébula $INSTDIR ${APP_NAME}'
password='correct horse $1 ünï'
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
# Wine's desktop process, started by the first program that makes a window, inherits that
# program's error output: Wine's own output goes to a file, never to the pipe the test runner
# reads.
wine_run() { bash "$root/scripts/wine-run.sh" "$build" "$@" </dev/null 2>>"$work/wine.log"; }
probe() { wine_run "$build/tests/setup/qv_install_probe.exe" "$@"; }
unix_path() { wine_run winepath -u "$1" 2>/dev/null; }
seconds_since() { python3 -c "import sys, time; print('%.2f' % (time.time() - float(sys.argv[1])))" "$1"; }
files_of() { (cd "$1" && find . -type f | sort); }

# One program runs throughout, so that Wine's desktop stays up between the programs started one
# after another (see the probe's "hold").
wine_run "$build/tests/setup/qv_install_probe.exe" hold "$(winepath -w "$work/holding")" >/dev/null &
holder=$!
trap 'rm -f "$work/holding"; wait "$holder"; rm -rf "$work"' EXIT
for _ in $(seq 300); do [ -e "$work/holding" ] || ! kill -0 "$holder" 2>/dev/null && break; sleep 0.1; done
[ -e "$work/holding" ] || { echo "the probe could not hold the desktop"; exit 1; }

folders="$(probe folders)"
local_app_data="$(sed -n 's/^LocalAppData=//p' <<<"$folders")"
programs="$(sed -n 's/^Programs=//p' <<<"$folders")"
[ -n "$local_app_data" ] && [ -n "$programs" ] || { echo "no known folders: $folders"; exit 1; }
installed="$local_app_data\\Programs\\$name"
shortcut="$programs\\$name.lnk"
saves="$(unix_path "$local_app_data\\$name")"
installed_unix="$(unix_path "$installed")"
shortcut_unix="$(unix_path "$shortcut")"
# Whatever this test put into the prefix goes, whatever happens; an aborted earlier run's too.
remove_install() {
  rm -rf "$installed_unix" "$saves" "$shortcut_unix"
  wine_run reg delete "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" /f \
    >/dev/null 2>&1 || true
}
trap 'remove_install; rm -f "$work/holding"; wait "$holder"; rm -rf "$work"' EXIT
remove_install

# The app: fixed runtime mode, with the stand-in as its runtime; a window icon outside www/, and
# www/ names with non-ASCII letters and an NSIS "$".
make_certificates certs "$password"
mkdir -p app/www/lévels app/webview2/EBWebView/x64
cp "$build/tests/standin/WebView2Loader.dll" app/webview2/EBWebView/x64/EmbeddedBrowserWebView.dll
printf '<!DOCTYPE html><title>Étoile</title>' >app/www/index.html
echo 'old();' >app/www/old.js
echo '{"level": 1}' >'app/www/lévels/one $1.json'
python3 "$root/scripts/make-icon.py" app/icon.ico
cat >app/package.json <<EOF
{"name": "$name", "version": "1.0.0", "company": "$company", "copyright": "$copyright",
 "window": {"icon": "icon.ico"}, "settings": {"distribution-mode": "fixed"}}
EOF

said="$(QUORVANE_SIGN_PASSWORD="$password" bash "$root/scripts/package.sh" --sign certs/signer.pfx \
  --installer app out)"
setup="out/$name Setup 1.0.0.exe"
check "the outputs" "$(printf '%s\n' "$name" "$name Setup 1.0.0.exe" "$name.zip")" "$(ls out)"
check "what package.sh says it signed" "Signed with certs/signer.pfx (subject /CN=Nebula Games Test Signer; SHA-256; no timestamp): out/$name/$name.exe (and in out/$name.zip), out/$name Setup 1.0.0.exe and the uninstaller it installs" \
  "$(tail -n 1 <<<"$said")"

# Signatures: SHA-256, the app's name as description, trusted through the test authority only.
verify() {  # verify WHAT FILE
  local output rc=0
  output="$(osslsigncode verify -CAfile certs/ca.pem -in "$2" 2>&1)" || rc=$?
  check "$1 verifies against the test authority" 0 "$rc"
  check "$1's description" "	Text description: $name" "$(grep 'Text description' <<<"$output")"
  check "$1's digest" "Message digest algorithm  : SHA256" "$(grep -m1 'Message digest algorithm' <<<"$output")"
  rc=0
  osslsigncode verify -CAfile certs/other-ca.pem -in "$2" >/dev/null 2>&1 || rc=$?
  check "$1 fails against another authority" 1 "$rc"
}
verify "the shell" "out/$name/$name.exe"
verify "the installer" "$setup"
python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' \
  "out/$name.zip" "$name/$name.exe" >zipped.exe
cmp -s zipped.exe "out/$name/$name.exe" || check "the zip holds the signed shell" same different

# The installer carries the app's icon and version information.
identity() { python3 "$root/tools/setup/exe_resources.py" "$1" | grep -v OriginalFilename; }
check "the installer's version information" "CompanyName=$company
FileDescription=$name Setup
FileVersion=1.0.0.0
LegalCopyright=$copyright
ProductName=$name
ProductVersion=1.0.0
FixedFileVersion=1.0.0.0" "$(identity "$setup" | sort -t= -k1,1 | grep -v '^Fixed'; identity "$setup" | grep '^Fixed')"
icon() { python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import exe_resources as r
sys.stdout.buffer.write(r.icon_file(r.read(sys.argv[2])))' "$root/tools/setup" "$1" | sha1sum; }
check "the installer's icon" "$(icon "out/$name/$name.exe")" "$(icon "$setup")"

# A silent install, as a player's.
started=$(date +%s.%N)
rc=0
wine_run "$setup" /S >>wine.log || rc=$?
install_time=$(seconds_since "$started")
check "the installer's exit code" 0 "$rc"
installed_files() {  # the package's files and the uninstaller
  (files_of "$1" && echo "./Uninstall $name.exe") | sort
}
check "the installed files" "$(installed_files "out/$name")" "$(files_of "$installed_unix")"
diff -r -x "Uninstall $name.exe" "out/$name" "$installed_unix" >/dev/null ||
  check "the installed files' contents" same different
verify "the uninstaller" "$installed_unix/Uninstall $name.exe"
check "the shortcut" "target=$installed\\$name.exe
arguments=
workingFolder=$installed" "$(probe shortcut "$shortcut")"

entry() {  # the uninstall entry expected for VERSION
  local kib
  kib=$(find "$installed_unix" -type f -printf '%s\n' | awk '{ t += $1 } END { print int((t + 1023) / 1024) }')
  printf '%s\n' "DisplayIcon=$installed\\$name.exe" "DisplayName=$name" "DisplayVersion=$1" \
    "EstimatedSize=dword:$kib" "InstallLocation=$installed" "NoModify=dword:1" "NoRepair=dword:1" \
    "Publisher=$company" "QuietUninstallString=\"$installed\\Uninstall $name.exe\" /S" \
    "UninstallString=\"$installed\\Uninstall $name.exe\""
}
check "the uninstall entry" "$(entry 1.0.0)" "$(probe entry "$name")"

# An uninstaller copied into another folder and run there (in place) removes nothing of the real
# install: the shortcut and the entry belong to the install that the entry names.
mkdir elsewhere
cp "$installed_unix/Uninstall $name.exe" elsewhere/
wine_run "$work/elsewhere/Uninstall $name.exe" /S "_?=$(winepath -w "$work/elsewhere")" >>wine.log ||
  check "the copied uninstaller's exit code" 0 "$?"
[ -f "$shortcut_unix" ] || check "the shortcut after a copied uninstaller ran" there missing
check "the uninstall entry after a copied uninstaller ran" "$(entry 1.0.0)" "$(probe entry "$name")"
check "the installed files after a copied uninstaller ran" "$(installed_files "out/$name")" \
  "$(files_of "$installed_unix")"

# The installed app starts from its shortcut's folder and serves its page.
printf '{"steps": [{"do": "close"}]}' >scenario.json
rc=0
(cd "$installed_unix" && QV_STANDIN_SCENARIO="$(winepath -w "$work/scenario.json")" \
  QV_STANDIN_TRANSCRIPT="$(winepath -w "$work/transcript.txt")" \
  timeout 60 bash "$root/scripts/wine-run.sh" "$build" "$installed\\$name.exe" </dev/null \
  >>"$work/wine.log" 2>&1) || rc=$?
check "the installed app's exit code" 0 "$rc"
[ "$rc" -eq 0 ] || { echo "Wine said:"; tail -n 20 wine.log; }
touch transcript.txt
check "the installed app's page" \
  "response 200 OK body[37]=<!DOCTYPE html><title>\xC3\x89toile</title>" \
  "$(sed -n 's/^\(response 200 OK\) headers=.* \(body\[.*\)$/\1 \2/p' transcript.txt | head -n 1)"
check "the user data folder" "userDataFolder=$local_app_data\\$name" \
  "$(grep -o 'userDataFolder=.*' transcript.txt | head -n 1)"
# The player's saves live in the browser's user data folder.
mkdir -p "$saves/EBWebView/Default/Local Storage"
echo "level 7" >"$saves/EBWebView/Default/Local Storage/leveldb.log"

# The second version over the first: old.js goes, new.js comes, nothing else stays.
rm app/www/old.js
echo 'fresh();' >app/www/new.js
sed -i 's/"1.0.0"/"1.1.0"/' app/package.json
bash "$root/scripts/package.sh" --installer app out >/dev/null
started=$(date +%s.%N)
rc=0
wine_run "out/$name Setup 1.1.0.exe" /S >>wine.log || rc=$?
update_time=$(seconds_since "$started")
check "the second installer's exit code" 0 "$rc"
check "the files after the second install" "$(installed_files "out/$name")" "$(files_of "$installed_unix")"
check "the uninstall entry after the second install" "$(entry 1.1.0)" "$(probe entry "$name")"
[ -f "$shortcut_unix" ] || check "the shortcut after the second install" there missing

# A silent uninstall, as the list of installed programs runs it. The uninstaller starts a copy
# of itself from the temporary folder and returns at once: wait for its effect.
quiet="$(probe entry "$name" | sed -n 's/^QuietUninstallString=//p')"
check "the quiet uninstall command" "\"$installed\\Uninstall $name.exe\" /S" "$quiet"
started=$(date +%s.%N)
wine_run "$installed\\Uninstall $name.exe" /S >>wine.log
for _ in $(seq 600); do
  if [ ! -e "$installed_unix" ] && [ ! -e "$shortcut_unix" ] && ! probe entry "$name" >/dev/null; then
    break
  fi
  sleep 0.1
done
uninstall_time=$(seconds_since "$started")
[ ! -e "$installed_unix" ] || check "the install folder after uninstalling" gone "$(files_of "$installed_unix")"
[ ! -e "$shortcut_unix" ] || check "the shortcut after uninstalling" gone there
probe entry "$name" >/dev/null && check "the uninstall entry after uninstalling" gone there
check "the saves after uninstalling" "level 7" \
  "$(cat "$saves/EBWebView/Default/Local Storage/leveldb.log" 2>&1)"

# An earlier install in the folder that /D= names, whose entry is gone (removed, or the folder
# copied from another machine): the new version first removes its files with its uninstaller,
# so that none outlives the update.
games="$(winepath -w "$work/games")"
wine_run "out/$name Setup 1.0.0.exe" /S "/D=$games" >>wine.log || check "the first version into /D=" 0 "$?"
wine_run reg delete "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" /f >/dev/null 2>&1
wine_run "out/$name Setup 1.1.0.exe" /S "/D=$games" >>wine.log || check "the second version into /D=" 0 "$?"
check "the files over an unregistered install" "$(installed_files "out/$name")" "$(files_of games)"

echo "installer $(stat -c %s "$setup") bytes for a package of $(du -sb "out/$name" | cut -f1) bytes;" \
  "install ${install_time} s, install over it ${update_time} s, uninstall ${uninstall_time} s (until done)"
echo "$failures failure(s)"
# A failure that does not come back on a second run is named by what Wine said meanwhile.
[ "$failures" -eq 0 ] || { echo "Wine said (last lines):"; tail -n 30 wine.log; }
[ "$failures" -eq 0 ]
