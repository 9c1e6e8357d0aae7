#!/usr/bin/env bash
# A throw-away code-signing certificate for the signing test, made fresh in OUT_DIR:
#   ca.pem        the CA that issued it (what a signature is verified against)
#   signing.pfx   the certificate with its key and the CA, protected by...
#   password      ...this password
# Usage: make_test_certificate.sh OUT_DIR
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
rm -f ca.key ca.pem signer.key signer.csr signer.pem signing.pfx password
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -keyout ca.key -out ca.pem \
  -subj "/CN=Velmora Throw-away Signing CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
  -subj "/CN=Velmora Throw-away Code Signing" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -sha256 -days 3650 -in signer.csr -CA ca.pem -CAkey ca.key -set_serial 0x$(openssl rand -hex 8) \
  -extfile signer.ext -out signer.pem 2>/dev/null
openssl rand -hex 12 >password
openssl pkcs12 -export -in signer.pem -inkey signer.key -certfile ca.pem -passout file:password -out signing.pfx
rm -f ca.key signer.key signer.csr signer.ext
