#!/usr/bin/env bash
# Usage: preview.sh APP_OR_PACKAGE_FOLDER [--strict] [--screenshot FILE] [--seconds N] [--steps FILE]
#
# Runs an app under Wine in a real browser engine (Debian's Chromium, driven by the engine
# runtime in tools/engine-runtime) and prints what happened: every request with its status, type,
# length and range, the page's console errors and uncaught exceptions, title changes, fullscreen
# switches, the links handed to the default program, and the exit code.
#
# APP_OR_PACKAGE_FOLDER is either a package (an .exe beside package.json and www/) or an app folder
# (package.json and www/ only); a link to one is followed. The run is from a copy, so the folder
# itself is never changed: a package is copied whole, links followed; an app folder is packaged by
# quorvane-pack.exe --stage (as package.sh does, under Wine) into that copy, so what runs is what
# the packager would ship, its executable stamped with the app's name, icon and version. An app
# folder the packager refuses is not run: its message is shown, and preview ends with 1.
# Everything runs inside a network namespace with only loopback, with its own virtual display and
# Wine server and a Wine prefix of its own (build/preview/); one preview at a time.
#
#   --steps FILE       a JSON array of steps that drive the page once its document is parsed,
#                      one after another (checked before anything runs; every bad step is named):
#                      {"click": [x, y]}       a left click at page coordinates
#                      {"key": "F11"}          a key press: one character, or Enter, Escape,
#                                              Space, Tab, Backspace, Delete, Insert, Home, End,
#                                              PageUp, PageDown, ArrowLeft, ArrowRight, ArrowUp,
#                                              ArrowDown, Shift, Control, Alt, F1 to F12
#                      {"waitTitle": "text"}   until the title contains the text, at most 15000
#                                              ms ({"waitTitle": "text", "timeout": ms} for
#                                              another limit) and never past --seconds
#                      {"evaluate": "script"}  runs the script as if from a user gesture
#                      {"screenshot": "file.png"}  saves the page as PNG (relative to the
#                                              current folder)
#                      {"wait": ms}
#                      {"close": true}         closes the window, as its close button does
#                      {"crash": "renderer"}   crashes the page's renderer
#                      {"crash": "browser"}    kills the browser's process
#   --seconds N        the window is closed N seconds after the steps began (1 to 3600, default
#                      5): a step still waiting then gives up, and later steps do not run
#   --screenshot FILE  saves the page as PNG just before the window is closed, whatever closes it
#   --strict           a run that would end with 0 ends with 4 when it saw a manifest warning of
#                      the packager, an answer of 400 or more, an uncaught exception, a console
#                      error, a step that failed, timed out or did not run, or no screenshot
#                      where one was asked for; a last line names each reason
# A screenshot file left from an earlier run is removed before the run starts. With
# QV_NO_BUILD=1 the shell, quorvane-pack.exe and the engine runtime are used as built.
# Exit codes: the app's own (0 after an ordinary close); 1 the packager refused the app folder (as
# the shell itself ends with 1 when it cannot start); 2 a wrong command line, folder or steps
# file, or the copy could not be made; 3 the run did not end in time; 4 --strict and the run saw
# a problem; 130 interrupted while the copy was made.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

usage_text="usage: preview.sh APP_OR_PACKAGE_FOLDER [--strict] [--screenshot FILE] [--seconds N] [--steps FILE]"
fail() { echo "preview: $1" >&2; exit 2; }

folder=""; screenshot=""; screenshot_given=""; seconds=5; steps_given=""; strict=0
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot | --seconds | --steps)
      [ $# -ge 2 ] && [ -n "$2" ] && [[ "$2" != --* ]] || fail "$1 needs a value; $usage_text"
      case "$1" in
        --screenshot) screenshot="$(realpath -m -- "$2")" screenshot_given="$2" ;;
        --steps) steps_given="$2" ;;
        --seconds)
          # Decimal whatever the leading zeros ("08" is 8 seconds, not an octal number).
          [[ "$2" =~ ^0*([0-9]{1,4})$ ]] && seconds=$((10#${BASH_REMATCH[1]})) &&
            [ "$seconds" -ge 1 ] && [ "$seconds" -le 3600 ] ||
            fail "--seconds takes a whole number of seconds from 1 to 3600, not \"$2\"" ;;
      esac
      shift 2 ;;
    --strict) strict=1; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) fail "unknown option $1; $usage_text" ;;
    *) [ -z "$folder" ] || fail "one folder only; $usage_text"; folder="$1"; shift ;;
  esac
done
[ -n "$folder" ] || fail "$usage_text"
[ -e "$folder" ] || fail "$folder: no such folder"
[ -d "$folder" ] || fail "$folder: not a folder"
source="$(realpath -e -- "$folder")"
[ -f "$source/package.json" ] || fail "no package.json in $folder"
[ -d "$source/www" ] || fail "no www/ in $folder"
if [ -n "$screenshot" ]; then
  [ ! -d "$screenshot" ] || fail "--screenshot: $screenshot is a folder"
  # "shots/" means a folder, even one that is not there.
  [[ "$screenshot_given" != */ ]] || fail "--screenshot: no such folder: $screenshot"
  [ -d "$(dirname "$screenshot")" ] || fail "--screenshot: no such folder: $(dirname "$screenshot")"
fi
if [ -n "$steps_given" ]; then
  [ -f "$steps_given" ] || fail "--steps: no such file: $steps_given"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-preview.XXXXXX")"
. "$root/scripts/pack-wine.sh"
pack_tag=preview
trap 'pack_end; rm -rf "$work"' EXIT
echo '[]' >"$work/steps.json"
shots=()
if [ -n "$steps_given" ]; then
  python3 "$root/scripts/preview-check.py" steps "$steps_given" "$(realpath -- "$steps_given")" \
    "$work/steps.json" >"$work/shots" || exit 2
  mapfile -t shots <"$work/shots"
fi
# A package: an executable (the first by name, if more) beside package.json and www/.
exe="$(find -L "$source" -maxdepth 1 -type f -iname '*.exe' -printf '%f\n' | sort | head -n 1)"
kind=app
[ -z "$exe" ] || kind=package
# For the tests of the command line: what would run; of an app folder only the packager runs.
dry_run="${QV_PREVIEW_DRY_RUN:-}"

build="$root/build"
if [ "$dry_run" != 1 ] && [ "${QV_NO_BUILD:-}" != 1 ]; then
  # What is installed is said (build.sh then finds nothing missing); the build's progress is not.
  bash "$root/scripts/install-deps.sh"
  bash "$root/scripts/build.sh" Quorvane quorvane-pack qv_engine_runtime qv_link_recorder \
    qv_session_desktop >/dev/null
fi

# The copy: links are followed, so nothing written into it can reach the folder given.
if [ "$kind" = package ]; then
  app="$work/package"
  if [ "$dry_run" != 1 ]; then
    mkdir "$app"
    cp -RL -- "$source/." "$app/" || fail "$folder could not be copied"
  fi
else
  [ -f "$build/app/Quorvane.exe" ] && [ -f "$build/app/quorvane-pack.exe" ] ||
    fail "the shell and quorvane-pack.exe are not built (run scripts/build.sh)"
  shown="$folder"
  while [[ "$shown" == */ && "$shown" != / ]]; do shown="${shown%/}"; done
  check_interrupt() { [ "$interrupted" = 0 ] || { echo "preview: interrupted" >&2; exit 130; }; }
  mkdir "$work/stage"
  trap on_signal INT TERM
  pack_prefix "$source" "$work" || fail "cannot set up a Wine prefix for quorvane-pack.exe in $build"
  code=0
  pack_run --stage --show-app "$shown" 'P:\' 'Q:\stage' || code=$?
  pack_end
  trap - INT TERM
  check_interrupt
  # The packager's own message is out; its "app folder has a problem" is preview's 1 too.
  [ "$code" = 0 ] || exit $((code == 1 ? 1 : 2))
  exe="$(sed -n 's/^exe=//p' "$work/pack.out")"
  app="$work/stage/${exe%%/*}"
  exe="${exe#*/}"
fi
# strict_reasons LOG STEPS SCREENSHOT: what --strict counts, one a line.
strict_reasons() { python3 "$root/scripts/preview-check.py" strict "$1" "$2" "$work/pack.err" "$3"; }
if [ "$dry_run" = 1 ]; then
  printf 'folder=%s\nkind=%s\nexe=%s\nseconds=%s\nstrict=%s\nscreenshot=%s\nsteps=%s\n' "$source" \
    "$kind" "$exe" "$seconds" "$strict" "$screenshot" "$(cat "$work/steps.json")"
  # What --strict would count before the run: the packager's warnings.
  reasons=""
  [ ! -f "$work/pack.err" ] || reasons="$(strict_reasons /dev/null <(echo '[]') "" | paste -sd ';')"
  printf 'reasons=%s\n' "$reasons"
  exit 0
fi
exe="$app/$exe"
cp "$build/tools/engine-runtime/bin/WebView2Loader.dll" "$app/WebView2Loader.dll"
mkdir -p "$work/pids"
# Only pictures of this run count.
for shot in "$screenshot" "${shots[@]}"; do
  [ -z "$shot" ] || rm -f -- "$shot"
done

export QV_ENGINE_LOG="$work/engine.log"
export QV_ENGINE_STEPS="$work/steps.json"
export QV_ENGINE_SECONDS="$seconds"
export QV_ENGINE_FINAL_SCREENSHOT="$screenshot"
export QV_ENGINE_PID_DIR="$work/pids"
export QV_PREVIEW_APP="$app" QV_PREVIEW_EXE="$exe" QV_PREVIEW_LINKS="$work/links.txt"
export QV_PREVIEW_RECORDER="$build/tests/e2e/qv_link_recorder.exe"
export QV_PREVIEW_TIMEOUT=$((seconds + 90))
mkdir -p "$build/preview"

# A session restarts its prefix's Wine server: a second preview waits for the first.
lock="$build/preview/.session.lock"
flock -n "$lock" true || echo "preview: waiting for another preview to finish..." >&2
set +e
flock -o "$lock" bash "$root/scripts/in-netns.sh" bash "$root/scripts/with-wine.sh" "$build/preview" \
  bash "$root/scripts/preview-run.sh" >"$work/wine.log" 2>&1
code=$?
set -e
# Nothing of the run may outlive it: end any browser the watchdog still lists.
bash "$root/scripts/end-browsers.sh" "$work/pids" >/dev/null || true

echo "== what the page did (ms since start) =="
if [ -f "$work/engine.log" ]; then
  grep -v -e '^[0-9]* focus ' -e '^[0-9]* visible ' "$work/engine.log" | sed 's/^/  /'
else
  echo "  (the engine wrote nothing)"; sed 's/^/  | /' "$work/wine.log" | tail -n 20
fi
echo "== links handed to the default program =="
if [ -s "$work/links.txt" ]; then sed 's/^/  /' "$work/links.txt"; else echo "  (none)"; fi
if [ -n "$screenshot" ]; then
  if [ -f "$screenshot" ]; then echo "== screenshot: $screenshot"; else echo "== no screenshot was taken"; fi
fi
if [ -f "$work/exit-code" ]; then code="$(cat "$work/exit-code")"; fi
if [ "$strict" = 1 ]; then
  mapfile -t reasons < <(strict_reasons "$work/engine.log" "$work/steps.json" "$screenshot")
  # An app that ended on its own code has failed too; the code itself is kept below.
  if [ "$code" != 0 ]; then reasons+=("the app ended with exit code $code"); fi
  if [ ${#reasons[@]} -gt 0 ] && [ "$code" = 0 ]; then
    echo "== exit code: 4 (the app's own: 0)"
    code=4
  else
    echo "== exit code: $code"
  fi
  if [ ${#reasons[@]} -eq 0 ]; then
    echo "== strict: nothing went wrong"
  else
    summary="$(printf '; %s' "${reasons[@]}")"
    echo "== strict: ${summary#; }"
  fi
else
  echo "== exit code: $code"
fi
exit "$code"
