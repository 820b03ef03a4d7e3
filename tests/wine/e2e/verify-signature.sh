#!/bin/bash
# The signature of a signed installer verifies against its certificate, and
# no longer does once a byte of the file has changed.
#   verify-signature.sh SIGNED.exe CERT.pem WORK_DIR
set -uo pipefail
signed="$1" cert="$2" work="$3"
verify() {
    osslsigncode verify -CAfile "$cert" -TSA-CAfile "$cert" -in "$1" >"$work/verify.log" 2>&1
}
mkdir -p "$work"
verify "$signed" || { cat "$work/verify.log"; echo "FAIL: the signature does not verify"; exit 1; }
cp "$signed" "$work/changed.exe"
# A byte in the middle of the file: inside the resources, which the signature covers.
printf 'X' | dd of="$work/changed.exe" bs=1 seek=$(($(stat -c %s "$signed") / 2)) conv=notrunc 2>/dev/null
if verify "$work/changed.exe"; then
    echo "FAIL: a changed file still verifies"
    exit 1
fi
echo "the signature verifies, and fails once the file is changed"
