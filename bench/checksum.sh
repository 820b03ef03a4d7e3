#!/bin/bash
# The speed of the check of the installer's own data: CRC-32C over 200 MB in
# memory with the processor's crc32 instruction and with the portable code,
# next to a plain read of the same bytes (the comparison) and CRC-32 (zlib's
# polynomial, as the installer checks each decoded payload). The four take
# turns at going first.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BENCH_CHECKSUM:?}" "${BENCH_WORK:?}"

modes=(read crc32 crc32c-portable crc32c-fastest)
runs="${BENCH_RUNS:-10}"
for mode in "${modes[@]}"; do
    "$BENCH_CHECKSUM" "$mode" >/dev/null
done
for ((i = 0; i < runs; i++)); do
    for ((k = 0; k < ${#modes[@]}; k++)); do
        mode="${modes[(i + k) % ${#modes[@]}]}"
        "$BENCH_CHECKSUM" "$mode" >>"$BENCH_WORK/$mode.times"
    done
done
base="$(bench_median "$BENCH_WORK/read.times")"
bench_row checksum "200 MB in memory" "plain read" "" "$BENCH_WORK/read.times"
bench_row checksum "200 MB in memory" "CRC-32 (zlib's)" "$base" "$BENCH_WORK/crc32.times"
bench_row checksum "200 MB in memory" "CRC-32C, portable" "$base" "$BENCH_WORK/crc32c-portable.times"
bench_row checksum "200 MB in memory" "CRC-32C, crc32 instruction" "$base" \
    "$BENCH_WORK/crc32c-fastest.times"
