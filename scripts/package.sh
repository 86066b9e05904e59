#!/usr/bin/env bash
# Usage: package.sh [--name NAME] [--sign FILE.pfx [--timestamp URL]] [--installer] APP_FOLDER [OUT_FOLDER]
#
# Packages an app for Windows players, on Linux: runs quorvane-pack.exe (what makers on Windows
# run themselves) under Wine. APP_FOLDER holds package.json, www/ and, in "fixed" distribution
# mode, webview2/. The result is OUT_FOLDER/<Name>/ with <Name>.exe (the shell, carrying the app's
# icon and version information), package.json, www/ (and webview2/, and the window icon when it
# lies outside www/), plus OUT_FOLDER/<Name>.zip of that folder, ready to ship. <Name> is the
# manifest's "name" made safe as a Windows file name, or NAME. OUT_FOLDER defaults to dist/ in the
# current folder.
#
# --sign FILE.pfx: Authenticode-signs <Name>.exe (before it is zipped), and with --installer the
# uninstaller and the installer, with the PKCS#12 certificate in FILE.pfx; its password comes from
# the environment variable QUORVANE_SIGN_PASSWORD. --timestamp URL: an RFC 3161 timestamp server.
# --installer: also writes OUT_FOLDER/<Name> Setup <version>.exe, a per-user installer
# (tools/setup).
#
# The package is made in a work folder inside OUT_FOLDER and moved into place at the end as one
# set with the zip and the installer, so a failed or interrupted run leaves the previous ones as
# they were; nothing outside OUT_FOLDER is deleted. Exit codes: 1 the app folder or the
# certificate has a problem (the message names the file), 2 a wrong command line, 3 the package
# could not be written, 130 interrupted (Ctrl-C).
#
# Builds the shell and quorvane-pack.exe first (build/, with QV_NO_BUILD=1: use them as built).
# Each run has a Wine prefix and wineserver of its own (the C: drive shared with the build tree's
# prefix), with the app and output folders as drives P: and Q:, so that any Linux folder name
# works and packagers running at once never touch each other.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

said=0
fail() {
  # A Ctrl-C can end a step of this script before its trap has run (the step's own processes get
  # the signal too): once interrupted, whatever failed, the run says so, and nothing else.
  if [ "${interrupted:-0}" = 1 ] && [ "${committed:-0}" = 0 ]; then
    set -- 130 "interrupted; $out_given is as it was"
  fi
  echo "package.sh: $2" >&2
  said=1
  exit "$1"
}
usage="usage: package.sh [--name NAME] [--sign FILE.pfx [--timestamp URL]] [--installer] APP_FOLDER [OUT_FOLDER]"

pack_options=()
certificate="" timestamp="" installer=""
positional=()
while [ $# -gt 0 ]; do
  case "$1" in
    --name) [ $# -ge 2 ] || fail 2 "$usage"; pack_options+=(--name "$2"); shift 2 ;;
    --name=*) pack_options+=(--name "${1#--name=}"); shift ;;
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
# below FOLDER PATH: whether PATH is FOLDER or lies inside it, as the file system decides (links,
# and letter case where a mount ignores it, as WSL's Windows drives do); prints the path from
# FOLDER down to PATH. Folders of PATH that do not exist yet are no folder's.
below() {
  local at=$2 path=""
  while :; do
    if [ "$at" -ef "$1" ]; then printf '%s' "$path"; return 0; fi
    [ "$at" != / ] || return 1
    path="$(basename "$at")${path:+/$path}"
    at="$(dirname "$at")"
  done
}
if below "$app" "$out" >/dev/null; then
  fail 2 "$out_given is inside the app folder $app_given: the package would end up inside itself"
fi

# The certificate file is checked before anything is built.
setup="$root/tools/setup"
if [ -n "$certificate" ]; then
  message="$(bash "$setup/sign.sh" --certificate "$certificate" 2>&1)" || fail $? "$message"
fi

if [ "${QV_NO_BUILD:-}" != 1 ]; then
  bash "$root/scripts/build.sh" Quorvane quorvane-pack >&2
fi
[ -f "$build/app/Quorvane.exe" ] && [ -f "$build/app/quorvane-pack.exe" ] ||
  fail 3 "the shell and quorvane-pack.exe are not built (run scripts/build.sh)"

. "$root/scripts/pack-wine.sh"
pack_tag=package.sh
committed=0
work=""
trap on_signal INT TERM
finish() {
  local rc=$?
  trap '' INT TERM
  pack_end
  if [ -n "$work" ]; then rm -rf "$work"; fi
  # Interrupted before the new package was in place: nothing changed, and the exit code says so.
  # (A step killed by the Ctrl-C may have ended the script with 130 before the trap ran.)
  if { [ "$interrupted" = 1 ] || [ $rc = 130 ]; } && [ "$committed" = 0 ]; then
    rc=130
    [ "$said" = 1 ] || echo "package.sh: interrupted; $out_given is as it was" >&2
  fi
  exit $rc
}
trap finish EXIT
check_interrupt() {
  [ "$interrupted" = 0 ] || fail 130 "interrupted; $out_given is as it was"
}

mkdir -p "$out" 2>/dev/null || fail 3 "$out_given: cannot create the folder"
work="$(mktemp -d "$out/.package.XXXXXX" 2>/dev/null)" || fail 3 "$out_given: cannot write there"
stage="$work/stage"
mkdir "$stage"

pack_prefix "$app" "$out" || fail 3 "cannot set up a Wine prefix for quorvane-pack.exe in $build"
stage_windows="Q:\\$(basename "$work")\\stage"
pack() { pack_run "$@" || exit $?; }

# 1. Check the app and lay the package out in $stage/<Name>/.
pack --stage "${pack_options[@]}" --show-app "$app_given" 'P:\' "$stage_windows"
value() { sed -n "s/^$1=//p" "$work/pack.out"; }
name="$(value name)"
exe="$(value exe)"
product="$(value product)"
[ -n "$name" ] && [ -f "$stage/$exe" ] || fail 3 "quorvane-pack.exe laid out no package"

# 2. What only the Linux tools do: the stamped executable is signed before step 3 zips it; the
#    installer (built from the package folder, whose executable carries the identity and icon it
#    needs) joins the package in $stage. These steps run in the foreground: Ctrl-C ends them with
#    this script, which then exits 130. They say "FILE: reason" with the exit codes above.
setup_step() {
  local rc=0
  "$@" >"$work/setup.out" 2>"$work/setup.err" </dev/null || rc=$?
  check_interrupt
  [ $rc -eq 0 ] || fail "$rc" "$(cat "$work/setup.err")"
}
if [ -n "$certificate" ]; then
  sign=(--certificate "$certificate" --description "$product")
  [ -z "$timestamp" ] || sign+=(--timestamp "$timestamp")
  setup_step bash "$setup/sign.sh" "${sign[@]}" "$stage/$exe"
fi
setup_exe=""
if [ -n "$installer" ]; then
  setup_options=()
  [ -z "$certificate" ] || setup_options=(--sign "$certificate")
  [ -z "$timestamp" ] || setup_options+=(--timestamp "$timestamp")
  setup_step bash "$setup/build-setup.sh" "${setup_options[@]}" "$stage/$name" "$work"
  setup_exe="$(cat "$work/setup.out")"
  mv "$work/$setup_exe" "$stage/$setup_exe"
fi
check_interrupt

# 3. Zip $stage/<Name>/ and move everything in $stage into place as one set. The packager refuses
#    to replace the app folder or a folder holding it, deciding as Windows does which name is which
#    (letter case): it is told where the app folder lies on Q: when the output folder holds it.
app_windows='P:\'
if relative="$(below "$out" "$app")"; then
  app_windows="Q:\\${relative//\//\\}"
fi
pack --finish --show-out "$out_given" --app "$app_windows" "$stage_windows" 'Q:\'
# In place: a Ctrl-C from now on comes too late to change anything.
committed=1
cat "$work/pack.out"
if [ -n "$setup_exe" ]; then
  echo "Installer: $out_given/$setup_exe ($(du -k "$out/$setup_exe" | cut -f1) KiB)"
fi
if [ -n "$certificate" ]; then
  # Whose signature the files carry, as Windows will name the publisher.
  subject="$(osslsigncode verify -in "$out/$exe" 2>/dev/null | sed -n 's/^[[:space:]]*Subject: //p' | head -n 1)" || true
  signed="$out_given/$exe (and in $out_given/$name.zip)"
  [ -z "$setup_exe" ] || signed+=", $out_given/$setup_exe and the uninstaller it installs"
  echo "Signed with $certificate (subject ${subject:-unknown}; SHA-256; ${timestamp:+timestamp from $timestamp}${timestamp:-no timestamp}): $signed"
fi
