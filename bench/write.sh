#!/bin/bash
# The patch write under wine64, from pressing Start to the outcome message,
# next to CopyFileW plus FlushFileBuffers of the same files into the same
# folder of the same prefix (bench_driver copy): one file of 200 MB, and
# 1000 files of 4 KB. The two take turns after a warm-up round; each run
# starts after sync, so that none pays for writing back the one before.
#
# In the same runs (one file of 4 KB too, the fixed cost of a run), and in
# runs of an installer of 1 GB, the installer's private memory (RssAnon) is
# sampled: idle at its window, and the peak while it writes.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB64:?}" "${BENCH_WORK:?}" "${BENCH_DRIVER:?}"
: "${BRISEL_WINE64:?}"
background="$here/../packages/sample/background.bmp"

# Prints "seconds" for copying and flushing every file of a folder.
copy_run() {
    sync
    "$BRISEL_WINE64" "$BENCH_DRIVER" copy "$(bench_winpath "$1")" |
        awk '$1 == "write" { print $2 / 1000; found = 1 } END { exit !found }'
}

# write_case LABEL RUNS INSTALLER FOLDER: rows for the time; the memory
# figures of the installer runs stay in $BENCH_WORK/LABEL.install.
write_case() {
    local label="$1" runs="$2" installer="$3" folder="$4"
    local times="$BENCH_WORK/$label.install" copies="$BENCH_WORK/$label.copy"
    install_once() { bench_install_run "$installer"; }
    copy_once() { copy_run "$folder"; }
    bench_alternate "$runs" install_once "$times" copy_once "$copies"
    local base
    base="$(bench_median "$copies")"
    bench_row write "$label" "CopyFileW + FlushFileBuffers" "" "$copies"
    bench_row write "$label" "installer: Start to message" "$base" "$times"
}

# memory_runs LABEL RUNS INSTALLER: installer runs for the memory figures.
memory_runs() {
    local label="$1" runs="$2" installer="$3" i
    for ((i = 0; i < runs; i++)); do
        bench_install_run "$installer" >>"$BENCH_WORK/$label.install"
    done
}

# 4 KB in one file: the fixed cost of a run.
small="$BENCH_WORK/small"
bench_package "$small" "$background" small.dat
head -c 4096 /dev/urandom >"$small/files/small.dat"
bench_patchpack "$small" "$BRISEL_STUB64" x86_64 "$BENCH_WORK/small.exe" --store
write_case "4 KB, one file" "${BENCH_RUNS:-5}" "$BENCH_WORK/small.exe" "$small/files"

# 200 MB of random bytes in one file.
big="$BENCH_WORK/big"
bench_package "$big" "$background" big.dat
head -c 200000000 /dev/urandom >"$big/files/big.dat"
bench_patchpack "$big" "$BRISEL_STUB64" x86_64 "$BENCH_WORK/big.exe" --store
write_case "200 MB, one file" "${BENCH_RUNS:-5}" "$BENCH_WORK/big.exe" "$big/files"
rm -rf "$big"

# 1000 files of 4 KB.
many="$BENCH_WORK/many"
entries=()
for ((i = 0; i < 1000; i++)); do
    entries+=("$(printf 'f%04d.dat' "$i")")
done
bench_package "$many" "$background" "${entries[@]}"
for entry in "${entries[@]}"; do
    head -c 4096 /dev/urandom >"$many/files/$entry"
done
bench_patchpack "$many" "$BRISEL_STUB64" x86_64 "$BENCH_WORK/many.exe" --store
write_case "1000 x 4 KB" "${BENCH_RUNS:-5}" "$BENCH_WORK/many.exe" "$many/files"
rm -rf "$many" "$BENCH_WORK/many.exe"

# 1 GB (zeros, written in full by patchpack), for its memory only.
huge="$BENCH_WORK/huge"
bench_package "$huge" "$background" huge.dat
truncate -s 1000000000 "$huge/files/huge.dat"
bench_patchpack "$huge" "$BRISEL_STUB64" x86_64 "$BENCH_WORK/huge.exe" --store
rm -rf "$huge"
memory_runs "1 GB" "${BENCH_MEMORY_RUNS:-2}" "$BENCH_WORK/huge.exe"
rm -f "$BENCH_WORK/huge.exe"

for figure in "2 private at the window" "3 private peak while writing"; do
    column="${figure%% *}" what="${figure#* }"
    base="$(bench_median "$BENCH_WORK/4 KB, one file.install" "$column" 1024)"
    bench_row memory "$what" "installer, 4 KB payload" "" "$BENCH_WORK/4 KB, one file.install" \
        "$column" MiB 1024
    bench_row memory "$what" "installer, 200 MB payload" "$base" \
        "$BENCH_WORK/200 MB, one file.install" "$column" MiB 1024
    bench_row memory "$what" "installer, 1 GB payload" "$base" "$BENCH_WORK/1 GB.install" \
        "$column" MiB 1024
done
