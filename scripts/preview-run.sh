#!/usr/bin/env bash
# The part of scripts/preview.sh that runs inside the namespace, with the display and Wine server
# already up: registers the link recorder for web and mail links in the preview prefix, then runs
# the app and writes its exit code beside the log.
set -uo pipefail
winpath() { winepath -w "$1" 2>/dev/null; }
links_win="$(winpath "$QV_PREVIEW_LINKS")"
if [ -f "$QV_PREVIEW_RECORDER" ]; then
  recorder_win="$(winpath "$QV_PREVIEW_RECORDER")"
  for scheme in http https mailto; do
    key="HKLM\\Software\\Classes\\$scheme"
    wine reg add "$key" /ve /d "URL:$scheme" /f >/dev/null 2>&1
    wine reg add "$key" /v "URL Protocol" /d "" /f >/dev/null 2>&1
    wine reg add "$key\\shell\\open\\command" /ve /d "\"$recorder_win\" \"$links_win\" \"%1\"" /f \
      >/dev/null 2>&1
  done
fi
# A crash ends the run with a backtrace in the log instead of waiting on a dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
cd "$QV_PREVIEW_APP"
# Wine reads the program's path in the locale's encoding: a package named beyond ASCII needs UTF-8.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
timeout "$QV_PREVIEW_TIMEOUT" wine "$QV_PREVIEW_EXE" </dev/null >/dev/null 2>&1
code=$?
[ "$code" = 124 ] && code=3
echo "$code" >"$(dirname "$QV_PREVIEW_LINKS")/exit-code"
exit "$code"
