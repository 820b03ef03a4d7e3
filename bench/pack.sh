#!/bin/bash
# patchpack build of one large payload next to cp of the same payload file:
# 200 MB of random bytes, and 1 GB as a sparse file (cp --sparse=never, so
# that both write every byte). The two commands take turns, each going first
# in every other round, after a warm-up round; each run starts after sync, so
# that none pays for writing back the data of the one before.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB:?}" "${BENCH_WORK:?}"

pack_case() {
    local label="$1" runs="$2" make_payload="$3"
    local package="$BENCH_WORK/package"
    bench_package "$package" "" big.dat
    "$make_payload" "$package/files/big.dat"
    pack() {
        sync
        bench_time "$BRISEL_PATCHPACK" build "$package" --stub "$BRISEL_STUB" \
            --out "$BENCH_WORK/out.exe"
        rm -f "$BENCH_WORK/out.exe"
    }
    copy() {
        sync
        bench_time cp --sparse=never "$package/files/big.dat" "$BENCH_WORK/copy.dat"
        rm -f "$BENCH_WORK/copy.dat"
    }
    bench_alternate "$runs" pack "$BENCH_WORK/patchpack.times" copy "$BENCH_WORK/cp.times"
    local base
    base="$(bench_median "$BENCH_WORK/cp.times")"
    bench_row pack "$label" "cp --sparse=never" "" "$BENCH_WORK/cp.times"
    bench_row pack "$label" "patchpack build" "$base" "$BENCH_WORK/patchpack.times"
    base="$(bench_median "$BENCH_WORK/cp.times" 2 1024)"
    bench_row pack "$label" "cp --sparse=never: peak RSS" "" "$BENCH_WORK/cp.times" 2 MiB 1024
    bench_row pack "$label" "patchpack build: peak RSS" "$base" "$BENCH_WORK/patchpack.times" 2 MiB 1024
    rm -f "$BENCH_WORK"/*.times
    rm -rf "$package"
}

random_200mb() {
    head -c 200000000 /dev/urandom >"$1"
}

sparse_1gb() {
    truncate -s 1000000000 "$1"
}

pack_case "200 MB random" "${BENCH_RUNS:-5}" random_200mb
pack_case "1 GB sparse" "${BENCH_RUNS:-3}" sparse_1gb
