#!/usr/bin/env bash
# Usage: end-browsers.sh PID_DIR
# Ends every browser, and its watchdog, that the engine runtime's watchdogs still list in PID_DIR
# (QV_ENGINE_PID_DIR of the run), then empties the list. An entry names each process by its id and
# its start time ("browser PID START" and "watchdog PID START", START being field 22 of
# /proc/PID/stat): after an aborted run the system may have given a listed id to an unrelated
# process, which has another start time and is left alone. Prints a line for each process it
# ended; exits 1 when it ended any, 0 otherwise.
set -uo pipefail
dir="$1"
start_time() { sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20; }
ended=0
# ".PID" is an entry a watchdog was still writing.
for entry in "$dir"/* "$dir"/.[0-9]*; do
  [ -f "$entry" ] || continue
  while read -r role pid start _; do
    case "$role" in browser | watchdog) ;; *) continue ;; esac
    [[ "$pid" =~ ^[0-9]+$ && "$start" =~ ^[0-9]+$ ]] || continue
    [ "$(start_time "$pid")" = "$start" ] || continue
    if kill -KILL "$pid" 2>/dev/null; then
      echo "ended the $role (Linux process $pid)"
      ended=1
    fi
  done <"$entry"
  rm -f "$entry"
done
exit "$ended"
