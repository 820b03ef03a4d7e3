# Helpers of the benchmarks, sourced by bench/NAME.sh.


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

# bench_row BENCHMARK CASE COMMAND_LABEL BASELINE_MEDIAN FILE
# FILE holds one "seconds peak_kib" line per run. Prints a tab-separated row:
# benchmark, case, command, runs, min, median, max seconds, median peak MiB,
# and the ratio of the median to BASELINE_MEDIAN (empty for the baseline).
bench_row() {
    local benchmark="$1" case="$2" label="$3" baseline="$4" file="$5"
    sort -n -k1,1 "$file" | awk -v b="$benchmark" -v c="$case" -v l="$label" -v base="$baseline" '
        { t[NR] = $1; m[NR] = $2 }
        END {
            n = NR
            median = (n % 2) ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2
            # peak memory: median of the runs, sorted on their own
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (m[j] < m[i]) { x = m[i]; m[i] = m[j]; m[j] = x }
            mem = (n % 2) ? m[(n + 1) / 2] : (m[n / 2] + m[n / 2 + 1]) / 2
            ratio = (base == "" || base == 0) ? "" : sprintf("%.2fx", median / base)
            printf "%s\t%s\t%s\t%d\t%.2f\t%.2f\t%.2f\t%.1f\t%s\n", b, c, l, n, t[1], median, t[n], mem / 1024, ratio
        }'
}

# The median of the first column of FILE.
bench_median() {
    sort -n -k1,1 "$1" | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}
