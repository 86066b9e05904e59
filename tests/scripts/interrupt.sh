# Sourced by the scripts' tests: Ctrl-C as a terminal sends it.
#
# interrupt_when GLOB LOG COMMAND [ARGS...]: runs COMMAND (output in LOG) with a process group of
# its own, as job control gives the command in the foreground (and leaves its SIGINT alone), waits
# until GLOB names something (at most 30 seconds), sends SIGINT to the whole group and returns
# COMMAND's exit code.
interrupt_when() {
  local glob=$1 log=$2
  shift 2
  set -m
  "$@" >"$log" 2>&1 </dev/null &
  local runner=$!
  set +m
  for _ in $(seq 600); do
    compgen -G "$glob" >/dev/null && break
    sleep 0.05
  done
  kill -INT -- "-$runner"
  local rc=0
  wait $runner || rc=$?
  return $rc
}

# hold_step DIR COMMAND PATTERN MARK: writes DIR/COMMAND, which runs /usr/bin/COMMAND but, the
# first time one of its arguments holds PATTERN, creates MARK and waits 5 seconds. With DIR first on
# PATH, a Ctrl-C can land while a script's own step runs (interrupt_when MARK ...), as a maker's
# may.
hold_step() {
  mkdir -p "$1"
  printf '%s\n' '#!/usr/bin/env bash' 'for a in "$@"; do' \
    "  case \"\$a\" in *'$3'*) [ -e '$4' ] || { : >'$4'; sleep 5; } ;; esac" 'done' "exec /usr/bin/$2 \"\$@\"" >"$1/$2"
  chmod +x "$1/$2"
}
