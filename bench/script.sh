#!/bin/bash
# The script reader of the release build on scripts of 1 MB and 10 MB (the
# keys the installer reads, then an output list of that size), from opening
# the file to every answer, next to reading the same file with a plain line
# split. The two take turns.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BENCH_SCRIPT:?}" "${BENCH_WORK:?}"

script_case() {
    local label="$1" bytes="$2" runs="${BENCH_RUNS:-10}" i
    local script="$BENCH_WORK/script.txt"
    {
        printf '*PatchType\r\n1\r\n%%LinkPath\r\n\tGame\\Game.lnk\r\n%%%%\r\n'
        printf '*Caption\r\nBench\r\n*GameTitle\r\nBench\r\n*Version\r\n100\r\n'
        printf '*CheckTargetFilename\r\nGame.exe\r\n%%OutFiles\r\n'
        awk -v n="$((bytes / 24))" 'BEGIN { for (i = 0; i < n; i++) printf "\tdata\\file%08d.dat\r\n", i }'
        printf '%%%%\r\n'
    } >"$script"
    "$BENCH_SCRIPT" split "$script" >/dev/null
    "$BENCH_SCRIPT" reader "$script" >/dev/null
    for ((i = 0; i < runs; i++)); do
        "$BENCH_SCRIPT" split "$script" >>"$BENCH_WORK/split.times"
        "$BENCH_SCRIPT" reader "$script" >>"$BENCH_WORK/reader.times"
    done
    local base
    base="$(bench_median "$BENCH_WORK/split.times")"
    bench_row script "$label" "line split (std::getline)" "" "$BENCH_WORK/split.times"
    bench_row script "$label" "script reader" "$base" "$BENCH_WORK/reader.times"
    base="$(bench_median "$BENCH_WORK/split.times" 2 1024)"
    bench_row script "$label" "line split: peak RSS" "" "$BENCH_WORK/split.times" 2 MiB 1024
    bench_row script "$label" "script reader: peak RSS" "$base" "$BENCH_WORK/reader.times" 2 MiB 1024
    rm -f "$BENCH_WORK"/*.times "$script"
}

script_case "1 MB script" 1000000
script_case "10 MB script" 10000000
