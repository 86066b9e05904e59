# Sourced by scripts/package.sh and scripts/preview.sh: runs quorvane-pack.exe (build/app, beside
# the Quorvane.exe it stamps) under Wine. Each run has a Wine prefix and wineserver of its own (the
# registry copied from the build tree's prefix, the tests' own inside their Wine session; the C:
# drive shared), with the app folder as drive P:, the output folder as Q: and build/app as X:, so
# that any Linux folder name works and packagers running at once never touch each other. The Wine
# environment is the program's alone: the sourcing script's own stays as it was.
#
# The sourcing script sets $root, $build, $work (where the program's output goes) and $pack_tag
# (how its messages begin), defines check_interrupt (ends the script when $interrupted is 1),
# traps INT and TERM with on_signal while the program may run, and calls pack_end on its way out.

# Ctrl-C (or a TERM) goes to the Windows program that is running, which undoes its work and ends
# with 130; the script then cleans up and ends with 130 too.
child=""
interrupted=0
pack_wineprefix=""
on_signal() {
  interrupted=1
  if [ -n "$child" ]; then kill -INT "$child" 2>/dev/null || true; fi
}
run_child() {
  "$@" &
  child=$!
  local rc
  while :; do
    rc=0
    wait "$child" || rc=$?
    # A trapped signal ends the wait early (status above 128) while the child goes on.
    if [ $rc -gt 128 ] && kill -0 "$child" 2>/dev/null; then continue; fi
    break
  done
  child=""
  return $rc
}

# pack_prefix APP_FOLDER OUT_FOLDER: makes the prefix of this run, with the two as P: and Q:.
# Returns non-zero when it could not (after a Ctrl-C, check_interrupt ends the script).
pack_prefix() {
  local base="${WINEPREFIX:-}" rc=0
  if [ -z "${QV_WINE_SESSION:-}" ]; then
    base="$build/wineprefix-dist"
    QV_WINE_PREFIX_NAME=wineprefix-dist bash "$root/scripts/wine-prefix.sh" "$build" >&2 || rc=$?
  fi
  if [ $rc = 0 ]; then
    pack_wineprefix="$(mktemp -d "$build/wineprefix-package.XXXXXX")" &&
      cp "$base"/*.reg "$base/.update-timestamp" "$pack_wineprefix/" &&
      ln -s "$base/drive_c" "$pack_wineprefix/drive_c" &&
      mkdir "$pack_wineprefix/dosdevices" &&
      ln -s ../drive_c "$pack_wineprefix/dosdevices/c:" &&
      ln -s "$1" "$pack_wineprefix/dosdevices/p:" &&
      ln -s "$2" "$pack_wineprefix/dosdevices/q:" &&
      ln -s "$build/app" "$pack_wineprefix/dosdevices/x:" || rc=$?
  fi
  [ $rc = 0 ] || check_interrupt
  return $rc
}

# pack_end: stops the program if it still runs, ends the prefix's wineserver, removes the prefix.
pack_end() {
  if [ -n "$child" ]; then
    kill -INT "$child" 2>/dev/null || true
    wait "$child" 2>/dev/null || true
    child=""
  fi
  if [ -n "$pack_wineprefix" ]; then
    # The clean-up runs to its end whatever arrives meanwhile: its steps ignore Ctrl-C, while the
    # script's own trap still notes it. (A step that died of it left the server's folder or half
    # the prefix behind; and bash 5.2 misparses a nested command substitution that a Ctrl-C
    # interrupts: "unexpected EOF while looking for matching `)'", exit code 2.)
    (
      trap '' INT TERM
      WINEPREFIX="$pack_wineprefix" wineserver -k >/dev/null 2>&1 || true
      WINEPREFIX="$pack_wineprefix" wineserver -w >/dev/null 2>&1 || true
      # Debian's Wine keeps the server's folder in $TMPDIR/wine-XXXXXX/, named by the prefix's
      # device and inode: with a prefix per run, it would stay behind once per run.
      device_inode="$(stat -c '%D %i' "$pack_wineprefix" 2>/dev/null)" || true
      printf -v server 'server-%s-%x' "${device_inode% *}" "${device_inode#* }"
      for dir in "${TMPDIR:-/tmp}"/wine-*/"$server"; do
        if [ -d "$dir" ]; then rm -f "$dir/lock" && rmdir "$dir" "${dir%/*}" 2>/dev/null || true; fi
      done
      rm -rf "$pack_wineprefix"
    ) || true
    pack_wineprefix=""
  fi
}

# pack_run ARGS...: runs quorvane-pack.exe ARGS; its output lines are in $work/pack.out. Its
# messages are shown as the script's. Returns the program's exit code (0, or 1, 2, 3 with its
# message); a failure of Wine itself is said and returned as 3. After a Ctrl-C, check_interrupt
# ends the script.
pack_run() {
  local rc=0
  # Its own session, so that a Ctrl-C on the terminal reaches only the script, which hands it on
  # to the program alone (not to Wine's server and services). Wine takes the arguments in the
  # locale's encoding: UTF-8 keeps any name intact.
  run_child setsid bash -c 'export QV_BUILD_DIR="$1" && . "$2/scripts/wine-env.sh" &&
    export WINEPREFIX="$3" && cd "$1/app" && shift 3 && exec env LC_ALL=C.UTF-8 wine "$@"' \
    - "$build" "$root" "$pack_wineprefix" 'X:\quorvane-pack.exe' "$@" \
    >"$work/pack.out" 2>"$work/pack.err" </dev/null || rc=$?
  # Stopped by Ctrl-C, the program has undone its work (or had not begun it). A Ctrl-C may also
  # come just as it ends, and end the steps below: the check comes after them, before their
  # output is used. No command substitution here: bash 5.2 misparses one whose parsing a
  # Ctrl-C's trap interrupts (the script then ends with 2, "interrupt trap: ... unexpected EOF
  # while looking for matching `)'").
  local message="" details=""
  sed -n "s/^quorvane-pack: /$pack_tag: /p" "$work/pack.err" >"$work/pack.msg" || true
  { grep -v '^quorvane-pack: ' "$work/pack.err" | tr '\n' ' ' | sed 's/ *$//'; } \
    >"$work/pack.details" || true
  check_interrupt
  IFS= read -r -d '' message <"$work/pack.msg" || true
  IFS= read -r -d '' details <"$work/pack.details" || true
  message="${message%$'\n'}"
  details="${details%$'\n'}"
  case $rc in
    0) [ -z "$message" ] || echo "$message" >&2 ;;
    1 | 2 | 3)
      if [ -z "$message" ]; then
        message="quorvane-pack.exe ended with exit code $rc and no message under Wine"
        echo "$pack_tag: $message${details:+: $details}" >&2
        return 3
      fi
      echo "$message" >&2 ;;
    *)
      echo "$pack_tag: quorvane-pack.exe failed under Wine (exit code $rc)${details:+: $details}" >&2
      return 3 ;;
  esac
  return $rc
}
