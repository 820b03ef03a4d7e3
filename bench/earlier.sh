#!/bin/bash
# The installer of this tree next to an earlier build of it, from pressing
# Start to the outcome message: 200 MB of random bytes (stored raw by both)
# and 200 MB of text (compressed by both). Runs only where the earlier build
# is named: BENCH_EARLIER_PATCHPACK, the earlier host patchpack, and
# BENCH_EARLIER_STUB64, its x86_64 stub (./run bench earlier). The earlier
# tools are asked for the compressed installer with --compress, which every
# version takes.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
if [ -z "${BENCH_EARLIER_PATCHPACK:-}" ] || [ -z "${BENCH_EARLIER_STUB64:-}" ]; then
    echo "bench earlier: no earlier build named (BENCH_EARLIER_PATCHPACK, BENCH_EARLIER_STUB64)" >&2
    exit 0
fi
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB64:?}" "${BENCH_WORK:?}"
background="$here/../packages/sample/background.bmp"
runs="${BENCH_RUNS:-9}"

# installer NAME PATCHPACK STUB FILE [OPTION...]: an x86_64 installer of FILE.
installer() {
    local name="$1" patchpack="$2" stub="$3" file="$4"
    shift 4
    bench_package "$BENCH_WORK/$name" "$background" payload.dat
    cp "$file" "$BENCH_WORK/$name/files/payload.dat"
    BRISEL_PATCHPACK="$patchpack" bench_patchpack "$BENCH_WORK/$name" "$stub" x86_64 \
        "$BENCH_WORK/$name.exe" "$@"
    rm -rf "$BENCH_WORK/$name"
}

head -c 200000000 /dev/urandom >"$BENCH_WORK/random.dat"
installer random-earlier "$BENCH_EARLIER_PATCHPACK" "$BENCH_EARLIER_STUB64" "$BENCH_WORK/random.dat"
installer random-now "$BRISEL_PATCHPACK" "$BRISEL_STUB64" "$BENCH_WORK/random.dat"
rm -f "$BENCH_WORK/random.dat"
/usr/bin/python3 "$here/text.py" "$BENCH_WORK/text.dat" 200
installer text-earlier "$BENCH_EARLIER_PATCHPACK" "$BENCH_EARLIER_STUB64" "$BENCH_WORK/text.dat" \
    --compress
installer text-now "$BRISEL_PATCHPACK" "$BRISEL_STUB64" "$BENCH_WORK/text.dat" --compress
rm -f "$BENCH_WORK/text.dat"

for kind in random text; do
    earlier_once() { bench_install_run "$BENCH_WORK/$kind-earlier.exe"; }
    now_once() { bench_install_run "$BENCH_WORK/$kind-now.exe"; }
    bench_alternate "$runs" earlier_once "$BENCH_WORK/$kind-earlier.times" now_once \
        "$BENCH_WORK/$kind-now.times"
    bench_row earlier "200 MB $kind" "earlier build: Start to message" "" \
        "$BENCH_WORK/$kind-earlier.times"
    bench_row earlier "200 MB $kind" "this tree: Start to message" \
        "$(bench_median "$BENCH_WORK/$kind-earlier.times")" "$BENCH_WORK/$kind-now.times"
done
