# Helpers of the benchmarks, sourced by bench/NAME.sh.

BENCH_HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"


# Runs a command once; prints "seconds peak_kib" (wall time, peak RSS).
bench_time() {
    local out err
    out="$(mktemp)" err="$(mktemp)"
    /usr/bin/time -f '%e %M' -o "$out" "$@" >/dev/null 2>"$err" || {
        echo "bench: failed: $*" >&2
        cat "$err" >&2
        rm -f "$out" "$err"
        return 1
    }
    rm -f "$err"
    tail -n 1 "$out"
    rm -f "$out"
}

# bench_row BENCHMARK CASE COMMAND_LABEL BASELINE_MEDIAN FILE [COLUMN UNIT DIVISOR]
# FILE holds one line of whitespace-separated figures per run; COLUMN (1)
# picks the figure, divided by DIVISOR (1) and shown in UNIT (s). Prints a
# tab-separated row: benchmark, case, command, runs, min, median, max, unit,
# and the ratio of the median to BASELINE_MEDIAN (empty for the baseline,
# which is given in the same unit).
bench_row() {
    local benchmark="$1" case="$2" label="$3" baseline="$4" file="$5"
    local column="${6:-1}" unit="${7:-s}" divisor="${8:-1}"
    awk -v k="$column" -v d="$divisor" '{ print $k / d }' "$file" | sort -g |
        awk -v b="$benchmark" -v c="$case" -v l="$label" -v base="$baseline" -v u="$unit" '
        { t[NR] = $1 }
        END {
            n = NR
            median = (n % 2) ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2
            ratio = (base == "" || base == 0) ? "" : sprintf("%.2fx", median / base)
            f = (u == "s") ? "%.3f" : (u == "bytes") ? "%d" : "%.1f"
            printf "%s\t%s\t%s\t%d\t" f "\t" f "\t" f "\t%s\t%s\n", b, c, l, n, t[1], median, t[n], u, ratio
        }'
}

# bench_alternate RUNS FIRST FIRST_FILE SECOND SECOND_FILE: runs the two
# commands (functions) once each as a warm-up, then RUNS times each, taking
# turns at going first, so that neither always runs on a cache the other
# warmed; each run's output line is appended to its file.
bench_alternate() {
    local runs="$1" first="$2" first_file="$3" second="$4" second_file="$5" i
    "$first" >/dev/null
    "$second" >/dev/null
    for ((i = 0; i < runs; i++)); do
        if ((i % 2 == 0)); then
            "$first" >>"$first_file"
            "$second" >>"$second_file"
        else
            "$second" >>"$second_file"
            "$first" >>"$first_file"
        fi
    done
}

# The median of one column (1 unless given) of FILE, divided by DIVISOR (1).
bench_median() {
    local column="${2:-1}" divisor="${3:-1}"
    awk -v k="$column" -v d="$divisor" '{ print $k / d }' "$1" | sort -g |
        awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# The Windows path under which Wine sees a host path (drive Z:).
bench_winpath() {
    printf 'Z:%s' "$(echo "$1" | sed 's|/|\\|g')"
}

# bench_package DIR BACKGROUND ENTRY...: a package folder whose script finds
# the game bench_driver makes (Game\Game.lnk, Game.exe) and writes the
# payloads DIR/files/ENTRY; the caller puts the payload files there.
bench_package() {
    local dir="$1" background="$2"
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir/files"
    {
        printf '*PatchType\r\n1\r\n%%LinkPath\r\n\tGame\\Game.lnk\r\n%%%%\r\n'
        printf '*Caption\r\nBench\r\n*CheckTargetFilename\r\nGame.exe\r\n%%OutFiles\r\n'
        local entry
        for entry in "$@"; do
            printf '\t%s\r\n' "$entry"
        done
        printf '%%%%\r\n'
    } >"$dir/script.txt"
    if [ -n "$background" ]; then
        cp "$background" "$dir/background.bmp"
    else
        : >"$dir/background.bmp"
    fi
}

# bench_patchpack PACKAGE STUB ARCH OUT [OPTION...]: writes an installer;
# patchpack's findings are shown only when it fails.
bench_patchpack() {
    local log
    log="$(mktemp)"
    "$BRISEL_PATCHPACK" build "$1" --stub "$2" --arch "$3" --out "$4" "${@:5}" >"$log" 2>&1 || {
        cat "$log" >&2
        rm -f "$log"
        return 1
    }
    rm -f "$log"
}

# bench_install_run INSTALLER [SEED_FOLDER]: one run of the x86_64 installer
# under wine64 (the files of SEED_FOLDER put in the game folder first)
# through bench_driver (BENCH_DRIVER, BRISEL_WINE64); prints "seconds
# window_kib peak_kib": Start to message, private memory idle at the window
# and its peak while writing.
bench_install_run() {
    local exe="$1" out="$BENCH_WORK/driver.out" err="$BENCH_WORK/driver.err"
    local seed=()
    [ -z "${2:-}" ] || seed=("$(bench_winpath "$2")")
    sync
    : >"$out"
    "$BRISEL_WINE64" "$BENCH_DRIVER" install "$(bench_winpath "$exe")" 500 "${seed[@]}" >"$out" 2>"$err" &
    local driver=$! memory
    memory="$(/usr/bin/python3 "$BENCH_HERE/memory.py" "$out" "$(basename "$exe")" "$driver")"
    if ! wait "$driver"; then
        echo "bench: the installer run failed: $exe" >&2
        cat "$out" "$err" >&2
        return 1
    fi
    echo "$(awk '$1 == "write" { print $2 / 1000 }' "$out") $memory"
}
