#!/usr/bin/env bash
# Usage: in-netns.sh COMMAND [ARGS...]
# Runs COMMAND in a network namespace of its own that has nothing but loopback (brought up), so
# that nothing it starts (a real browser above all, and Wine's server, which makes Wine's sockets)
# can reach beyond this machine. As root a plain network namespace is used; otherwise a user
# namespace maps the caller to root first. Where neither is possible COMMAND runs as it is and the
# engine runtime refuses to start a browser (the real-page tests then report themselves skipped).
set -euo pipefail
only_loopback() {
  [ "$(awk -F: 'NR > 2 { gsub(/ /, "", $1); print $1 }' /proc/net/dev | tr '\n' ' ')" = "lo " ]
}
if [ "${QV_IN_NETNS:-}" = 1 ] && only_loopback; then
  exec "$@"
fi
inner='ip link set lo up && QV_IN_NETNS=1 exec "$@"'
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n -- bash -c "$inner" bash "$@"
fi
if unshare -r -n true 2>/dev/null; then
  exec unshare -r -n -- bash -c "$inner" bash "$@"
fi
echo "in-netns.sh: no network namespace available; the real-page tests will be skipped" >&2
exec "$@"
