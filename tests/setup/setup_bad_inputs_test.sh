#!/usr/bin/env bash
# Usage: setup_bad_inputs_test.sh BUILD_DIR   (inside a Wine session: ctest under scripts/with-wine.sh)
# scripts/package.sh --sign / --installer against bad certificates, passwords and failing tools,
# one table: each with its exit code and its message; after every failed run the previous
# package, zip and installer are there unchanged and nothing is left behind. Then a good run
# of an app without a version replaces the package and adds "<Name> Setup.exe".
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export QV_BUILD_DIR="$1" QV_NO_BUILD=1
. "$root/tests/setup/certificates.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

make_certificates certs "right password"
echo "not a certificate" >certs/text.pfx
# A makensis that fails as on a full disk.
mkdir fake
printf '#!/bin/sh\necho "Error: Can'"'"'t open output file"\nexit 1\n' >fake/makensis
chmod +x fake/makensis
# An osslsigncode that ends with 0 and leaves an empty file where the signed one belongs.
mkdir hollow
printf '#!/bin/sh\nwhile [ $# -gt 0 ]; do [ "$1" = -out ] && : >"$2"; shift; done\nexit 0\n' >hollow/osslsigncode
chmod +x hollow/osslsigncode

mkdir -p good/www
printf '{"name": "Star Hopper", "version": "1.2.0"}' >good/package.json
echo '<!DOCTYPE html><title>Star Hopper</title>' >good/www/index.html
cp -R good app
QUORVANE_SIGN_PASSWORD="right password" bash "$root/scripts/package.sh" --sign certs/signer.pfx \
  --installer app out >/dev/null
fingerprint() { (cd out && find . | sort && find . -type f -print0 | sort -z | xargs -0 sha1sum); }
before="$(fingerprint)"
[ "$(ls out)" = "$(printf 'Star Hopper\nStar Hopper Setup 1.2.0.exe\nStar Hopper.zip')" ] ||
  { echo "no first package: $(ls out)"; exit 1; }

failures=0
# expect CODE MESSAGE SETUP ENVIRONMENT OPTIONS...: SETUP runs in a fresh copy of the good app,
# "app"; package.sh then runs with the variable assignments in ENVIRONMENT
# (QUORVANE_SIGN_PASSWORD is unset otherwise) and OPTIONS, then "app out".
expect() {
  local code=$1 message=$2 setup=$3 environment=$4
  shift 4
  rm -rf app && cp -R good app
  (cd app && eval "$setup")
  local rc=0 output
  output="$(unset QUORVANE_SIGN_PASSWORD; [ -z "$environment" ] || eval "export $environment"
            bash "$root/scripts/package.sh" "$@" app out 2>&1 >/dev/null)" || rc=$?
  if [ "$rc" != "$code" ] || [ "$output" != "$message" ]; then
    printf 'FAILED: %s %s\n  expected %s: %s\n  got      %s: %s\n' "$environment" "$*" "$code" \
      "$message" "$rc" "$output"
    failures=$((failures + 1))
  fi
  if [ "$(fingerprint)" != "$before" ]; then
    printf 'FAILED: %s %s: the previous outputs changed or something was left in out/\n' \
      "$environment" "$*"
    failures=$((failures + 1))
    before="$(fingerprint)"
  fi
}

right='QUORVANE_SIGN_PASSWORD="right password"'
p="package.sh"
usage="usage: package.sh [--name NAME] [--sign FILE.pfx [--timestamp URL]] [--installer] APP_FOLDER [OUT_FOLDER]"
expect 1 "$p: certs/missing.pfx: not found" : "$right" --sign certs/missing.pfx --installer
expect 1 "$p: certs: is not a file" : "$right" --sign certs
expect 1 "$p: certs/text.pfx: not a PKCS#12 certificate (a .pfx or .p12 file with the private key)" \
  : "$right" --sign certs/text.pfx --installer
expect 1 "$p: certs/signer.pfx: wrong password (the one in QUORVANE_SIGN_PASSWORD does not open it)" \
  : 'QUORVANE_SIGN_PASSWORD="wrong password"' --sign certs/signer.pfx --installer
expect 1 "$p: certs/signer.pfx: needs its password in the environment variable QUORVANE_SIGN_PASSWORD" \
  : '' --sign certs/signer.pfx
# Port 9 on loopback is closed: the timestamp server does not answer.
expect 3 "$p: Star Hopper.exe: no timestamp from http://127.0.0.1:9/ (RFC 3161 timestamping failed; is the address right and reachable?)" \
  : "$right" --sign certs/signer.pfx --timestamp http://127.0.0.1:9/ --installer
expect 3 "$p: Star Hopper.exe: signing failed (osslsigncode: exit code 0, but no signed file)" \
  : "$right PATH=\"$work/hollow:\$PATH\"" --sign certs/signer.pfx --installer
expect 3 "$p: Star Hopper Setup 1.2.0.exe: makensis failed: Error: Can't open output file" \
  : "$right PATH=\"$work/fake:\$PATH\"" --sign certs/signer.pfx --installer
# 80 three-byte letters: the package's names fit, "<Name> Setup 1.2.0.exe" (256 bytes) does not.
long="$(printf '星%.0s' $(seq 80))"
expect 1 "$p: \"$long Setup 1.2.0.exe\": too long for a file name (256 UTF-8 bytes, at most 255): shorten the app's \"name\" or \"version\"" \
  "printf '{\"name\": \"$long\", \"version\": \"1.2.0\"}' >package.json" '' --installer
expect 2 "$p: --timestamp needs --sign; $usage" : "$right" --timestamp http://127.0.0.1:9/ --installer
expect 2 "$p: unknown option --installer=yes; $usage" : "$right" --installer=yes

# A good run: no version, no signature. The installer is "<Name> Setup.exe"; the previous one,
# of another version, stays.
rm -rf app && cp -R good app && printf '{"name": "Star Hopper"}' >app/package.json
bash "$root/scripts/package.sh" --installer app out >/dev/null
listing="$(ls out)"
expected="Star Hopper
Star Hopper Setup 1.2.0.exe
Star Hopper Setup.exe
Star Hopper.zip"
if [ "$listing" != "$expected" ]; then
  printf 'FAILED: out/ holds:\n%s\n' "$listing"
  failures=$((failures + 1))
fi
version="$(python3 "$root/tools/setup/exe_resources.py" "out/Star Hopper Setup.exe" |
  grep -e '^ProductVersion=' -e '^FixedFileVersion=')"
[ "$version" = "FixedFileVersion=0.0.0.0" ] ||
  { printf 'FAILED: the unversioned installer has %s\n' "$version"; failures=$((failures + 1)); }
if osslsigncode verify -CAfile certs/ca.pem -in "out/Star Hopper/Star Hopper.exe" >/dev/null 2>&1; then
  echo "FAILED: an unsigned run left a signed executable"
  failures=$((failures + 1))
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
