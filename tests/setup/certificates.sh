# shellcheck shell=bash
# Sourced by the installer tests. make_certificates DIR PASSWORD writes, with openssl:
#   DIR/ca.pem        a test certificate authority
#   DIR/other-ca.pem  another one, which signed nothing
#   DIR/signer.pfx    a code-signing certificate issued by ca.pem with its key and chain, as
#                     PKCS#12 protected by PASSWORD
make_certificates() {
  local dir=$1
  mkdir -p "$dir"
  cat >"$dir/openssl.cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
  (
    cd "$dir" || exit 1
    for ca in ca other-ca; do
      openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca.key" -out "$ca.pem" -days 2 \
        -subj "/CN=Quorvane Test $ca" -config openssl.cnf -extensions ca
    done
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
      -subj "/CN=Nebula Games Test Signer" -config openssl.cnf
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out signer.pem \
      -days 2 -extfile openssl.cnf -extensions signer
    MAKE_CERTIFICATES_PASSWORD="$2" openssl pkcs12 -export -inkey signer.key -in signer.pem \
      -certfile ca.pem -out signer.pfx -passout env:MAKE_CERTIFICATES_PASSWORD
  ) >/dev/null 2>&1
}
