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
