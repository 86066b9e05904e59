#!/usr/bin/env bash
# Usage: build-setup.sh [--sign FILE.pfx [--timestamp URL]] PACKAGE_FOLDER OUT_FOLDER
#
# Builds the per-user installer of a laid-out package (PACKAGE_FOLDER is <Name>/ with <Name>.exe,
# package.json, www/, maybe webview2/) with makensis: OUT_FOLDER/<Name> Setup <version>.exe, or
# "<Name> Setup.exe" when the app has no version; prints that file name. The installer carries
# the app's name, version, company and icon as the packager stamped them into <Name>.exe.
# --sign: the uninstaller and the installer get Authenticode signatures (sign.sh; the password
# from QUORVANE_SIGN_PASSWORD). Nothing but the installer is written to OUT_FOLDER, and only at
# the end.
#
# Exit codes: 1 the certificate cannot be used or the app's name and version make too long a
# file name, 2 a wrong command line, 3 the installer could not be built (the message says why).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

fail() {
  echo "$2" >&2
  exit "$1"
}
usage="usage: build-setup.sh [--sign FILE.pfx [--timestamp URL]] PACKAGE_FOLDER OUT_FOLDER"

sign=()
certificate="" timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sign) [ $# -ge 2 ] || fail 2 "$usage"; certificate="$2"; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || fail 2 "$usage"; timestamp="$2"; shift 2 ;;
    -*) fail 2 "unknown option $1; $usage" ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || fail 2 "$usage"
[ -z "$timestamp" ] || [ -n "$certificate" ] || fail 2 "--timestamp needs --sign; $usage"
package="${1%/}"
out="$2"
[ -d "$package" ] || fail 3 "$package: no such folder"
[ -d "$out" ] || fail 3 "$out: no such folder"
command -v makensis >/dev/null || fail 3 "makensis is not installed (scripts/install-deps.sh installs it)"

work="$(mktemp -d "$out/.setup.XXXXXX")"
trap 'rm -rf "$work"' EXIT
rc=0
python3 "$here/setup_script.py" "$package" "$work" >"$work/names" 2>"$work/error" || rc=$?
[ $rc -eq 0 ] || fail "$([ $rc -eq 1 ] && echo 1 || echo 3)" "$(tail -n 1 "$work/error")"
installer="$(sed -n 's/^installer=//p' "$work/names")"
name="$(sed -n 's/^name=//p' "$work/names")"
cp "$here/setup.nsi" "$work/"

defines=()
if [ -n "$certificate" ]; then
  sign=(bash "$here/sign.sh" --certificate "$(realpath -m "$certificate")" --description "$name")
  [ -z "$timestamp" ] || sign+=(--timestamp "$timestamp")
  # makensis runs this from the work folder on the uninstaller it made (a temporary file): a
  # copy under the uninstaller's name is signed, so that messages name it.
  {
    echo 'set -eu'
    printf 'copy=%q\n' "uninstaller/Uninstall $(basename "$package").exe"
    echo 'mkdir -p uninstaller && cp "$1" "$copy"'
    printf '%q ' "${sign[@]}"
    echo '"$copy" 2>sign-error || { echo $? >sign-status; exit 1; }'
    echo 'cp "$copy" "$1"'
  } >"$work/sign-uninstaller"
  defines+=(-DSIGN_UNINSTALLER)
fi

if ! (cd "$work" && makensis -V2 -NOCONFIG -INPUTCHARSET UTF8 "${defines[@]}" setup.nsi) \
  >"$work/makensis.log" 2>&1; then
  if [ -f "$work/sign-status" ]; then
    fail "$(cat "$work/sign-status")" "$(cat "$work/sign-error")"
  fi
  # makensis names the problem on the line before its usage hint or its "Error in ..." lines.
  reason="$(awk '/^(Usage: |Error in )/ { exit } NF { line = $0 } END { print line }' "$work/makensis.log")"
  fail 3 "$installer: makensis failed: ${reason:-no message}"
fi
mv "$work/built.exe" "$work/$installer"
if [ -n "$certificate" ]; then
  "${sign[@]}" "$work/$installer" 2>"$work/error" || fail $? "$(cat "$work/error")"
fi
mv "$work/$installer" "$out/$installer"
echo "$installer"
