#!/bin/bash
# Sizes of the executables: the installer of an empty package (a script, an
# empty background, no payload) and its stub, next to a minimal window
# program built with the same toolchain and flags, for both architectures.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB:?}" "${BRISEL_STUB64:?}" "${BENCH_WORK:?}"
: "${BENCH_MINIMAL32:?}" "${BENCH_MINIMAL64:?}"

package="$BENCH_WORK/package"
bench_package "$package" ""
for arch in i686 x86_64; do
    stub="$BRISEL_STUB" minimal="$BENCH_MINIMAL32"
    if [ "$arch" = x86_64 ]; then
        stub="$BRISEL_STUB64" minimal="$BENCH_MINIMAL64"
    fi
    bench_patchpack "$package" "$stub" "$arch" "$BENCH_WORK/empty.exe"
    stat -c %s "$minimal" >"$BENCH_WORK/minimal.size"
    stat -c %s "$stub" >"$BENCH_WORK/stub.size"
    stat -c %s "$BENCH_WORK/empty.exe" >"$BENCH_WORK/empty.size"
    base="$(cat "$BENCH_WORK/minimal.size")"
    bench_row size "$arch" "minimal window program" "" "$BENCH_WORK/minimal.size" 1 bytes
    bench_row size "$arch" "installer stub" "$base" "$BENCH_WORK/stub.size" 1 bytes
    bench_row size "$arch" "installer, empty package" "$base" "$BENCH_WORK/empty.size" 1 bytes
done
