#!/bin/bash
# Signs an installer as an author would, with a throwaway self-made
# code-signing certificate: writes KEY_DIR/cert.pem (to verify with) and
# SIGNED.exe.
#   sign-installer.sh INSTALLER.exe SIGNED.exe KEY_DIR
set -euo pipefail
in="$1" out="$2" keys="$3"
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 \
    -subj "/CN=briselPatch test signer" \
    -addext "basicConstraints=critical,CA:FALSE" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" \
    -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
rm -f "$out"
osslsigncode sign -certs "$keys/cert.pem" -key "$keys/key.pem" -h sha256 \
    -n "briselPatch test installer" -in "$in" -out "$out" >/dev/null
