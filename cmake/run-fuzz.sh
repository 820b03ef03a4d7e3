# The fuzzing commands behind ./run: `./run fuzz [SECONDS]` and the short
# smoke run of `./run test`. Sourced by ./run after run-lib.sh.
#
# Every fuzz/<name>.cpp is a libFuzzer harness built as fuzz_<name> in
# build/fuzz with clang. A run starts from the seeds in fuzz/corpus/<name>/
# (read only) and a working corpus in build/fuzz/corpus/<name>/, where new
# inputs collect between runs; inputs that fail a property or crash are
# saved in build/fuzz/findings/.

FUZZ_BUILD="$BUILD/fuzz"

fuzz_harnesses() {
    local file
    for file in "$ROOT"/fuzz/*.cpp; do
        basename "$file" .cpp
    done
}

build_fuzz() {
    # A tree configured before the harnesses had C sources is made anew.
    if [ ! -f "$FUZZ_BUILD/build.ninja" ] || ! grep -q '^CMAKE_C_COMPILER:' "$FUZZ_BUILD/CMakeCache.txt"; then
        rm -rf "$FUZZ_BUILD"
        cmake -S "$ROOT/fuzz" -B "$FUZZ_BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
            -DCMAKE_C_COMPILER=clang-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    fi
    log "building the fuzz harnesses"
    cmake --build "$FUZZ_BUILD" >&2
}

# Runs one harness for the given seconds; prints its executions. Fails when
# the harness found an input that breaks a property.
fuzz_one() {
    local name="$1" seconds="$2"
    local work="$FUZZ_BUILD/corpus/$name" findings="$FUZZ_BUILD/findings"
    local logfile="$FUZZ_BUILD/logs/$name.log"
    mkdir -p "$work" "$findings" "$(dirname "$logfile")"
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$findings/$name-")
    [ -f "$ROOT/fuzz/$name.dict" ] && options+=(-dict="$ROOT/fuzz/$name.dict")
    local status=0
    "$FUZZ_BUILD/fuzz_$name" "${options[@]}" "$work" "$ROOT/fuzz/corpus/$name" \
        >"$logfile" 2>&1 || status=$?
    local runs
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$logfile" | tail -1)"
    printf '%-16s %12s executions in %s s\n' "$name" "${runs:-?}" "$seconds"
    if [ $status -ne 0 ]; then
        echo "fuzz_$name failed (status $status); its log: $logfile" >&2
        grep -E '^(property failed|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' \
            "$logfile" >&2 || tail -20 "$logfile" >&2
    fi
    return $status
}

fuzz_all() {
    local seconds="$1" name status=0
    for name in $(fuzz_harnesses); do
        fuzz_one "$name" "$seconds" || status=1
    done
    return $status
}

run_fuzz() {
    local seconds="${1:-60}"
    if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
        echo "usage: ./run fuzz [SECONDS]   (each harness runs for SECONDS, 60 by default)" >&2
        return 2
    fi
    ensure_tools
    build_fuzz
    log "fuzzing each harness for $seconds s"
    fuzz_all "$seconds"
}

# A few seconds per harness, so that no harness stops building or running
# and every seed still passes.
fuzz_smoke() {
    build_fuzz
    log "fuzz smoke run"
    fuzz_all 3 >&2
}
