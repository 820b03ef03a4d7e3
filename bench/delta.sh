#!/bin/bash
# The size of the deltas patchpack writes with --from (the installer's LZMA
# stream and stored new data, which hold only the delta here) next to
# xdelta3 -9 -S djw, bsdiff and zstd -19 --long=27 --patch-from of the same
# pairs: a game archive of some 50 MB with members edited, inserted, removed
# and moved (delta-pairs.py), a DLL rebuilt after a one-line change (the LZMA
# SDK's C sources that Debian ships, compiled twice with MinGW), and 8 MB of
# C headers with scattered edits. The first row of each pair is the
# smallest of the other tools. BENCH_DELTA_HUGE_MB (unset: skipped) adds the
# time and peak memory of patchpack build --from for a pair of that many
# MiB of incompressible blocks, moved, replaced and edited.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB:?}" "${BENCH_WORK:?}"

pairs="$BENCH_WORK/pairs"
sizes="$BENCH_WORK/sizes"
mkdir -p "$pairs" "$sizes"

/usr/bin/python3 "$here/delta-pairs.py" archive "$pairs/archive.old" "$pairs/archive.new"
find /usr/include -name '*.h' | LC_ALL=C sort |
    xargs /usr/bin/python3 "$here/delta-pairs.py" text "$pairs/text.old" "$pairs/text.new"
sdk=/usr/include/lzma
mkdir -p "$BENCH_WORK/sdk"
sed 's/p->cutValue = 32;/p->cutValue = 32;\n  if (p->bigHash) p->cutValue += p->numHashBytes * 3;/' \
    "$sdk/LzFind.c" >"$BENCH_WORK/sdk/LzFind.c"
for version in old new; do
    source=$sdk
    [ $version = new ] && source="$BENCH_WORK/sdk"
    i686-w64-mingw32-gcc -O2 -shared -s -D_7ZIP_ST -I"$sdk" "$source/LzFind.c" "$sdk/LzmaDec.c" \
        "$sdk/LzmaEnc.c" -o "$pairs/program.$version"
done

# ours PAIR [OPTIONS...]: the stream and the stored new data of an installer
# of the new version written with --from a folder that holds the old one.
ours() {
    local pair="$1"
    bench_package "$BENCH_WORK/package" "" payload.bin
    mkdir -p "$BENCH_WORK/old"
    ln -f "$pairs/$pair.new" "$BENCH_WORK/package/files/payload.bin"
    ln -f "$pairs/$pair.old" "$BENCH_WORK/old/payload.bin"
    "$BRISEL_PATCHPACK" build "$BENCH_WORK/package" --stub "$BRISEL_STUB" --from "$BENCH_WORK/old" \
        --out "$BENCH_WORK/delta.exe" | awk '$1 == "RESOURCE_SOLID" { sum += $2 } END { print sum }'
}

for pair in archive program text; do
    old="$pairs/$pair.old" new="$pairs/$pair.new"
    xdelta3 -9 -S djw -e -f -s "$old" "$new" "$BENCH_WORK/xdelta3"
    bsdiff "$old" "$new" "$BENCH_WORK/bsdiff"
    zstd -q -19 --long=27 -f --patch-from="$old" "$new" -o "$BENCH_WORK/zstd" 2>/dev/null
    for tool in xdelta3 bsdiff zstd; do
        stat -c %s "$BENCH_WORK/$tool" >"$sizes/$pair-$tool"
    done
    ours "$pair" >"$sizes/$pair-patchpack"
    sort -n "$sizes/$pair-xdelta3" "$sizes/$pair-bsdiff" "$sizes/$pair-zstd" | head -n 1 \
        >"$sizes/$pair-smallest"
    label="$pair ($(stat -c %s "$old") -> $(stat -c %s "$new") bytes)"
    base="$(cat "$sizes/$pair-smallest")"
    bench_row delta "$label" "smallest of the others" "" "$sizes/$pair-smallest" 1 bytes
    bench_row delta "$label" "xdelta3 -9 -S djw" "$base" "$sizes/$pair-xdelta3" 1 bytes
    bench_row delta "$label" "bsdiff" "$base" "$sizes/$pair-bsdiff" 1 bytes
    bench_row delta "$label" "zstd -19 --long=27 --patch-from" "$base" "$sizes/$pair-zstd" 1 bytes
    bench_row delta "$label" "patchpack build --from (stream + stored)" "$base" "$sizes/$pair-patchpack" \
        1 bytes
done

if [ -n "${BENCH_DELTA_HUGE_MB:-}" ]; then
    rm -f "$pairs"/*
    /usr/bin/python3 "$here/delta-pairs.py" huge "$pairs/huge.old" "$pairs/huge.new" \
        "$BENCH_DELTA_HUGE_MB"
    bench_package "$BENCH_WORK/package" "" payload.bin
    ln -f "$pairs/huge.new" "$BENCH_WORK/package/files/payload.bin"
    ln -f "$pairs/huge.old" "$BENCH_WORK/old/payload.bin"
    label="$BENCH_DELTA_HUGE_MB MiB pair"
    bench_time "$BRISEL_PATCHPACK" build "$BENCH_WORK/package" --stub "$BRISEL_STUB" \
        --from "$BENCH_WORK/old" --out "$BENCH_WORK/delta.exe" >"$BENCH_WORK/patchpack.time"
    /usr/bin/python3 -c '
import pefile, sys
pe = pefile.PE(sys.argv[1], fast_load=False)
print(sum(kind.directory.entries[0].directory.entries[0].data.struct.Size
          for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if str(kind.name) in ("LZMA", "STORED")))' \
        "$BENCH_WORK/delta.exe" >"$sizes/huge-patchpack"
    bench_row delta "$label" "patchpack build --from (stream + stored)" "" "$sizes/huge-patchpack" 1 bytes
    bench_row delta "$label" "patchpack build --from: time" "" "$BENCH_WORK/patchpack.time"
    bench_row delta "$label" "patchpack --from: peak RSS" "" "$BENCH_WORK/patchpack.time" 2 MiB \
        1024
fi
