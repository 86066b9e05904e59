#!/usr/bin/env bash
# Usage: package.sh [--name NAME] [--sign FILE.pfx [--timestamp URL]] [--installer] APP_FOLDER [OUT_FOLDER]
#
# Packages an app for Windows players. APP_FOLDER holds package.json, www/ and, in "fixed"
# distribution mode, webview2/. The result is OUT_FOLDER/<Name>/ with <Name>.exe (the shell,
# carrying the app's icon and version information), package.json, www/ (and webview2/, and the
# window icon when it lies outside www/), plus
# OUT_FOLDER/<Name>.zip of that folder, ready to ship. <Name> is the manifest's "name" made safe
# as a Windows file name, or NAME. OUT_FOLDER defaults to dist/ in the current folder.
#
# --sign FILE.pfx: Authenticode-signs <Name>.exe (before it is zipped), and with --installer the
# uninstaller and the installer, with the PKCS#12 certificate in FILE.pfx; its password comes from
# the environment variable QUORVANE_SIGN_PASSWORD. --timestamp URL: an RFC 3161 timestamp server.
# --installer: also writes OUT_FOLDER/<Name> Setup <version>.exe, a per-user installer
# (tools/setup).
#
# The package is made in a temporary folder inside OUT_FOLDER and moved into place at the end, so
# a failed run leaves the previous package, zip and installer as they were; nothing outside
# OUT_FOLDER is deleted.
# Exit codes: 1 the app folder or the certificate has a problem (the message names the file), 2 a
# wrong command line, 3 the package could not be written.
#
# Builds the shell and the stamping program first (build/, with QV_NO_BUILD=1: use them as built).
# The stamping program is a Windows program; it runs under Wine in the build tree's prefix for
# packaging, apart from the tests' prefix so that both can run at once.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

fail() {
  echo "package.sh: $2" >&2
  exit "$1"
}
usage="usage: package.sh [--name NAME] [--sign FILE.pfx [--timestamp URL]] [--installer] APP_FOLDER [OUT_FOLDER]"

name_option=()
certificate="" timestamp="" installer=""
positional=()
while [ $# -gt 0 ]; do
  case "$1" in
    --name) [ $# -ge 2 ] || fail 2 "$usage"; name_option=(--name "$2"); shift 2 ;;
    --name=*) name_option=(--name "${1#--name=}"); shift ;;
    --sign) [ $# -ge 2 ] || fail 2 "$usage"; certificate="$2"; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || fail 2 "$usage"; timestamp="$2"; shift 2 ;;
    --installer) installer=1; shift ;;
    -h | --help) echo "$usage"; exit 0 ;;
    -*) fail 2 "unknown option $1; $usage" ;;
    *) positional+=("$1"); shift ;;
  esac
done
[ ${#positional[@]} -ge 1 ] && [ ${#positional[@]} -le 2 ] || fail 2 "$usage"
[ -z "$timestamp" ] || [ -n "$certificate" ] || fail 2 "--timestamp needs --sign; $usage"
app_given="${positional[0]%/}"
out_given="${positional[1]:-dist}"

[ -d "$app_given" ] || fail 1 "$app_given: no such folder"
app="$(realpath -e "$app_given")"
out="$(realpath -m "$out_given")"
inside() { [ "$1" = "$2" ] || [[ "$1" == "$2"/* ]]; }
if inside "$out" "$app"; then
  fail 2 "$out_given is inside the app folder $app_given: the package would end up inside itself"
fi

setup="$root/tools/setup"
# Signing and the installer's steps say "FILE: reason" with the exit codes above.
step() {
  local rc=0 message
  { message="$("$@" 2>&1 >&3)" || rc=$?; } 3>&1
  [ $rc -eq 0 ] || fail "$rc" "$message"
}
if [ -n "$certificate" ]; then
  step bash "$setup/sign.sh" --certificate "$certificate"
fi

if [ "${QV_NO_BUILD:-}" != 1 ]; then
  bash "$root/scripts/build.sh" Quorvane qv_stamp >&2
fi
shell_exe="$build/app/Quorvane.exe"
stamp_exe="$build/tools/stamp/qv_stamp.exe"
[ -f "$shell_exe" ] && [ -f "$stamp_exe" ] || fail 3 "the shell is not built (run scripts/build.sh)"

mkdir -p "$out"
staging="$(mktemp -d "$out/.package.XXXXXX")"
moved_old=()
finish() {
  local rc=$?
  # A failure while the new package was moved into place: put the previous one back.
  if [ $rc -ne 0 ]; then
    for old in "${moved_old[@]}"; do
      [ -e "$out/$(basename "$old")" ] || mv "$old" "$out/"
    done
  fi
  rm -rf "$staging"
  exit $rc
}
trap finish EXIT

# Wine takes the program's arguments in the locale's encoding: UTF-8 keeps any name intact.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
stamp=("$stamp_exe" "${name_option[@]}" "$(windows_path "$app")" "$(windows_path "$shell_exe")"
       "$(windows_path "$staging/stamped.exe")")
rc=0
if [ -n "${QV_WINE_SESSION:-}" ]; then
  LC_ALL=C.UTF-8 bash "$root/scripts/wine-run.sh" "$build" "${stamp[@]}" \
    >"$staging/stamp.out" 2>"$staging/stamp.err" </dev/null || rc=$?
else
  QV_WINE_PREFIX_NAME=wineprefix-dist LC_ALL=C.UTF-8 \
    bash "$root/scripts/with-wine.sh" "$build" "$root/scripts/wine-run.sh" "$build" "${stamp[@]}" \
    >"$staging/stamp.out" 2>"$staging/stamp.err" </dev/null || rc=$?
fi
if [ $rc -ne 0 ]; then
  message="$(grep -v '^$' "$staging/stamp.err" | tail -n 1)"
  case $rc in
    1) fail 1 "$app_given/$message" ;;
    2) fail 2 "$message" ;;
    *) fail 3 "${message:-the stamping program failed (exit code $rc)}" ;;
  esac
fi
name="$(sed -n 's/^name=//p' "$staging/stamp.out")"
fixed="$(sed -n 's/^fixed=//p' "$staging/stamp.out")"
[ -n "$name" ] || fail 3 "the stamping program gave no name"
if inside "$app" "$out/$name"; then
  fail 2 "$out_given/$name is the app folder itself or holds it: choose another OUT_FOLDER"
fi

# Lay the package out; links inside the app are copied as the files they point to.
package="$staging/$name"
mkdir "$package"
mv "$staging/stamped.exe" "$package/$name.exe"
cp -L "$app/package.json" "$package/"
cp -RL "$app/www" "$package/www"
if [ "$fixed" = 1 ]; then
  cp -RL "$app/webview2" "$package/webview2"
fi
# Files outside www/ that the shell loads at run time (the window icon).
while IFS= read -r file; do
  mkdir -p "$(dirname "$package/$file")"
  cp -L "$app/$file" "$package/$file"
done < <(sed -n 's/^copy=//p' "$staging/stamp.out")
if [ -n "$certificate" ]; then
  sign=(bash "$setup/sign.sh" --certificate "$certificate"
        --description "$(python3 "$setup/exe_resources.py" "$package/$name.exe" | sed -n 's/^ProductName=//p')")
  [ -z "$timestamp" ] || sign+=(--timestamp "$timestamp")
  step "${sign[@]}" "$package/$name.exe"
fi
python3 - "$staging" "$name" <<'PY'
import os, sys, zipfile
staging, name = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(os.path.join(staging, name + ".zip"), "w", zipfile.ZIP_DEFLATED) as archive:
    for folder, folders, files in os.walk(os.path.join(staging, name)):
        folders.sort()
        for file in sorted(files):
            path = os.path.join(folder, file)
            archive.write(path, os.path.relpath(path, staging))
PY
outputs=("$name" "$name.zip")
if [ -n "$installer" ]; then
  setup_options=()
  [ -z "$certificate" ] || setup_options=(--sign "$certificate")
  [ -z "$timestamp" ] || setup_options+=(--timestamp "$timestamp")
  setup_exe="$(step bash "$setup/build-setup.sh" "${setup_options[@]}" "$package" "$staging")"
  outputs+=("$setup_exe")
fi

# Into place: the previous package moves aside first and is deleted only once the new one is in.
mkdir "$staging/previous"
for item in "${outputs[@]}"; do
  if [ -e "$out/$item" ] || [ -L "$out/$item" ]; then
    mv "$out/$item" "$staging/previous/"
    moved_old+=("$staging/previous/$item")
  fi
done
for item in "${outputs[@]}"; do
  mv "$staging/$item" "$out/$item"
done
moved_old=()

echo "Packaged \"$name\": $out_given/$name/ and $out_given/$name.zip ($(du -k "$out/$name.zip" | cut -f1) KiB)"
if [ -n "$installer" ]; then
  echo "Installer: $out_given/$setup_exe ($(du -k "$out/$setup_exe" | cut -f1) KiB)"
fi
