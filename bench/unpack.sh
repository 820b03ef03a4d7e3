#!/bin/bash
# Compressed payloads under wine64: the installer from pressing Start to the
# outcome message for a 200 MB compressible payload, next to `xz -dc` of the
# same content into a file plus a flush; for 200 MB of random bytes (which
# the default build stores raw), next to the installer written with --store.
# The two of each pair take turns after a warm-up round; each run starts
# after sync. In the same runs, and in runs of a 4 KB and a 1 GB compressed
# payload, the installer's private memory (RssAnon) at its window and its
# peak while it writes. And a delta applied, next to CopyFileW of the file
# it gives.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB64:?}" "${BENCH_WORK:?}" "${BENCH_DRIVER:?}"
: "${BRISEL_WINE64:?}"
background="$here/../packages/sample/background.bmp"
runs="${BENCH_RUNS:-5}"

# make_text FILE MB: text of varied lines, as a game's scripts and data are.
make_text() {
    /usr/bin/python3 "$here/text.py" "$1" "$2"
}

# package NAME FILE [patchpack option...]: an x86_64 installer of one payload.
package() {
    local name="$1" file="$2"
    shift 2
    bench_package "$BENCH_WORK/$name" "$background" payload.dat
    mv "$file" "$BENCH_WORK/$name/files/payload.dat"
    bench_patchpack "$BENCH_WORK/$name" "$BRISEL_STUB64" x86_64 "$BENCH_WORK/$name.exe" "$@"
}

# Prints "seconds" for xz -dc of FILE.xz into a file, flushed.
xz_run() {
    sync
    bench_time /bin/sh -c "xz -dc '$1' > '$BENCH_WORK/xz.out' && /usr/bin/python3 -c \
        'import os,sys; f=os.open(sys.argv[1], os.O_RDONLY); os.fsync(f)' '$BENCH_WORK/xz.out'" |
        awk '{ print $1 }'
}

# The compressible case, and xz of the same content.
make_text "$BENCH_WORK/text.dat" 200
xz -9 -T1 -k -c "$BENCH_WORK/text.dat" >"$BENCH_WORK/text.dat.xz"
package text "$BENCH_WORK/text.dat"
xz_once() { xz_run "$BENCH_WORK/text.dat.xz"; }
text_once() { bench_install_run "$BENCH_WORK/text.exe"; }
bench_alternate "$runs" xz_once "$BENCH_WORK/xz.times" text_once "$BENCH_WORK/text.install"
rm -f "$BENCH_WORK/xz.out"
bench_row unpack "200 MB text" "xz -dc into a file + fsync" "" "$BENCH_WORK/xz.times"
bench_row unpack "200 MB text" "installer (compressed): Start to message" \
    "$(bench_median "$BENCH_WORK/xz.times")" "$BENCH_WORK/text.install"

# The incompressible case: stored raw either way.
head -c 200000000 /dev/urandom >"$BENCH_WORK/noise.dat"
cp "$BENCH_WORK/noise.dat" "$BENCH_WORK/noise2.dat"
package raw "$BENCH_WORK/noise.dat" --store
package rawz "$BENCH_WORK/noise2.dat"
raw_once() { bench_install_run "$BENCH_WORK/raw.exe"; }
rawz_once() { bench_install_run "$BENCH_WORK/rawz.exe"; }
bench_alternate "$runs" raw_once "$BENCH_WORK/raw.install" rawz_once "$BENCH_WORK/rawz.install"
bench_row unpack "200 MB random" "installer --store" "" "$BENCH_WORK/raw.install"
bench_row unpack "200 MB random" "installer by default (stored raw)" \
    "$(bench_median "$BENCH_WORK/raw.install")" "$BENCH_WORK/rawz.install"
rm -rf "$BENCH_WORK/raw" "$BENCH_WORK/rawz" "$BENCH_WORK/raw.exe" "$BENCH_WORK/rawz.exe"

# A delta: the 50 MB game archive of delta-pairs.py (members edited,
# inserted, removed and moved) rebuilt from its previous version, next to
# CopyFileW + flush of the new version.
/usr/bin/python3 "$here/delta-pairs.py" archive "$BENCH_WORK/archive.old" "$BENCH_WORK/archive.new"
mkdir -p "$BENCH_WORK/seed" "$BENCH_WORK/old" "$BENCH_WORK/copy"
cp "$BENCH_WORK/archive.old" "$BENCH_WORK/seed/payload.dat"
cp "$BENCH_WORK/archive.old" "$BENCH_WORK/old/payload.dat"
cp "$BENCH_WORK/archive.new" "$BENCH_WORK/copy/payload.dat"
package delta "$BENCH_WORK/archive.new" --from "$BENCH_WORK/old"
delta_once() { bench_install_run "$BENCH_WORK/delta.exe" "$BENCH_WORK/seed"; }
copy_once() {
    sync
    "$BRISEL_WINE64" "$BENCH_DRIVER" copy "$(bench_winpath "$BENCH_WORK/copy")" |
        awk '$1 == "write" { print $2 / 1000; found = 1 } END { exit !found }'
}
bench_alternate "$runs" copy_once "$BENCH_WORK/copy.times" delta_once "$BENCH_WORK/delta.install"
bench_row delta "50 MB archive" "CopyFileW + FlushFileBuffers of the new version" "" \
    "$BENCH_WORK/copy.times"
bench_row delta "50 MB archive" "installer --from: Start to message" \
    "$(bench_median "$BENCH_WORK/copy.times")" "$BENCH_WORK/delta.install"

# Memory: 4 KB and 1 GB compressed payloads (the 1 GB one repeats 1 MB of
# text, so that patchpack writes it in minutes, not hours).
make_text "$BENCH_WORK/small.dat" 1
truncate -s 4096 "$BENCH_WORK/small.dat"
package small "$BENCH_WORK/small.dat"
make_text "$BENCH_WORK/block.dat" 1
for ((i = 0; i < ${BENCH_HUGE_MB:-1000}; i++)); do cat "$BENCH_WORK/block.dat"; done \
    >"$BENCH_WORK/huge.dat"
package huge "$BENCH_WORK/huge.dat"
rm -rf "$BENCH_WORK/huge"
for ((i = 0; i < ${BENCH_MEMORY_RUNS:-2}; i++)); do
    bench_install_run "$BENCH_WORK/small.exe" >>"$BENCH_WORK/small.install"
    bench_install_run "$BENCH_WORK/huge.exe" >>"$BENCH_WORK/huge.install"
done
for figure in "2 private at the window" "3 private peak while writing"; do
    column="${figure%% *}" what="${figure#* }"
    base="$(bench_median "$BENCH_WORK/small.install" "$column" 1024)"
    bench_row memory "$what" "installer (compressed), 4 KB payload" "" \
        "$BENCH_WORK/small.install" "$column" MiB 1024
    bench_row memory "$what" "installer (compressed), 200 MB payload" "$base" \
        "$BENCH_WORK/text.install" "$column" MiB 1024
    bench_row memory "$what" "installer (compressed), 1 GB payload" "$base" \
        "$BENCH_WORK/huge.install" "$column" MiB 1024
    bench_row memory "$what" "installer --from, 50 MB archive" "$base" \
        "$BENCH_WORK/delta.install" "$column" MiB 1024
done
