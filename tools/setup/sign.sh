#!/usr/bin/env bash
# Usage: sign.sh --certificate FILE.pfx [--timestamp URL] --description TEXT [FILE...]
#
# Gives each FILE (a Windows executable) a SHA-256 Authenticode signature, in place, with the
# certificate and private key in FILE.pfx (PKCS#12). The certificate's password comes from the
# environment variable QUORVANE_SIGN_PASSWORD (empty when unset), never from the command line;
# it reaches osslsigncode through a pipe. --description is the text Windows shows as the signed
# program's name (the app's name); --timestamp adds an RFC 3161 timestamp from that server, so
# the signature stays valid after the certificate expires. With no FILE, only checks that the
# certificate file is there and can be read.
#
# Messages name the certificate or the file and the reason. Exit codes: 1 the certificate cannot
# be used (missing, unreadable, not PKCS#12, wrong password), 2 a wrong command line, 3 a file
# could not be signed (the file is then unchanged).
set -euo pipefail

fail() {
  echo "$2" >&2
  exit "$1"
}
usage="usage: sign.sh --certificate FILE.pfx [--timestamp URL] --description TEXT [FILE...]"

certificate="" timestamp="" description=""
while [ $# -gt 0 ]; do
  case "$1" in
    --certificate) [ $# -ge 2 ] || fail 2 "$usage"; certificate="$2"; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || fail 2 "$usage"; timestamp="$2"; shift 2 ;;
    --description) [ $# -ge 2 ] || fail 2 "$usage"; description="$2"; shift 2 ;;
    --) shift; break ;;
    -*) fail 2 "unknown option $1; $usage" ;;
    *) break ;;
  esac
done
[ -n "$certificate" ] && { [ $# -eq 0 ] || [ -n "$description" ]; } || fail 2 "$usage"

[ -e "$certificate" ] || fail 1 "$certificate: not found"
[ -f "$certificate" ] || fail 1 "$certificate: is not a file"
[ -r "$certificate" ] || fail 1 "$certificate: cannot be read (permission denied)"

log="$(mktemp)"
signed=""
trap 'rm -f "$log" ${signed:+"$signed"}' EXIT
for file in "$@"; do
  shown="$(basename "$file")"
  signed="$file.signed"
  rm -f "$signed"
  command=(osslsigncode sign -pkcs12 "$certificate" -h sha256 -n "$description" -in "$file" -out "$signed")
  [ -z "$timestamp" ] || command+=(-ts "$timestamp")
  rc=0
  if [ -n "${QUORVANE_SIGN_PASSWORD:-}" ]; then
    # Through a pipe of its own, so that the exit code is osslsigncode's even when it ends
    # without reading the password (a pipeline would give printf's SIGPIPE, 141).
    "${command[@]}" -readpass <(printf '%s' "$QUORVANE_SIGN_PASSWORD") </dev/null >"$log" 2>&1 ||
      rc=$?
  else
    "${command[@]}" </dev/null >"$log" 2>&1 || rc=$?
  fi
  if [ $rc -ne 0 ] || [ ! -s "$signed" ]; then
    rm -f "$signed"
    if grep -q 'Wrong password' "$log"; then
      if [ -n "${QUORVANE_SIGN_PASSWORD:-}" ]; then
        fail 1 "$certificate: wrong password (the one in QUORVANE_SIGN_PASSWORD does not open it)"
      fi
      fail 1 "$certificate: needs its password in the environment variable QUORVANE_SIGN_PASSWORD"
    elif grep -q -e 'Failed to extract PKCS#12' -e 'Failed to read PKCS#12' "$log"; then
      fail 1 "$certificate: not a PKCS#12 certificate (a .pfx or .p12 file with the private key)"
    elif grep -q 'timestamping failed' "$log"; then
      fail 3 "$shown: no timestamp from $timestamp (RFC 3161 timestamping failed; is the address right and reachable?)"
    fi
    # (grep finds nothing in a silent osslsigncode's log: not a failure of this script.)
    reason="$(grep -v -e '^Failed$' -e '^$' "$log" | head -n 1)" || true
    # A zero exit code with no signed file is a failure all the same: the file stays unsigned.
    [ $rc -ne 0 ] || reason="exit code 0, but no signed file${reason:+: $reason}"
    fail 3 "$shown: signing failed (osslsigncode: ${reason:-exit code $rc})"
  fi
  mv -f "$signed" "$file"
done
