#!/bin/bash
# The size of an installer written by default (compressed), next to NSIS installers
# of the same files (zlib, lzma, and solid lzma, the first row) and to xz -9
# of a tar of them; the time of patchpack build next to makensis with
# solid lzma. The files are a mixed patch of some 45 MB from what Debian
# ships: PE DLLs (Wine's x86-64 ones and MinGW's i686 runtime, stripped as
# games ship them), HTML text, PNG and JPEG pictures, and incompressible
# bytes (a deterministic pseudo-random stream, as media files are).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB:?}" "${BENCH_WORK:?}"

package="$BENCH_WORK/package"
files="$package/files"
entries=()

# take BUDGET PREFIX STRIP MIN_SIZE FIND_ARGS...: files found by find, in
# the order of their paths, copied into the package (stripped with the tool
# STRIP unless it is empty) while their sizes stay within BUDGET; files
# smaller than MIN_SIZE are left out, as a game keeps many small files in
# one archive.
take() {
    local budget="$1" prefix="$2" strip="$3" min="$4" used=0 n=0 file name size
    shift 4
    while IFS= read -r file; do
        [ "$(stat -c %s "$file")" -ge "$min" ] || continue
        n=$((n + 1))
        name="$prefix$(printf %03d $n)-$(basename "$file")"
        cp "$file" "$files/$name"
        [ -z "$strip" ] || "$strip" --strip-all "$files/$name"
        size="$(stat -c %s "$files/$name")"
        if [ $((used + size)) -gt "$budget" ]; then
            rm "$files/$name"
            continue
        fi
        entries+=("$name")
        used=$((used + size))
    done < <(find "$@" | LC_ALL=C sort)
}

bench_package "$package" ""
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
mingw_dlls="$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-win32 | tail -n 1)"
take 20000000 dll64- x86_64-w64-mingw32-strip 0 "$wine_dlls" -name '*.dll'
take 5000000 dll32- i686-w64-mingw32-strip 0 "$mingw_dlls" -name '*.dll'
take 12000000 html- "" 16384 /usr/share/doc -name '*.html'
take 6000000 picture- "" 16384 /usr/share -name '*.png' -o -name '*.jpg'
/usr/bin/python3 -c '
import random, sys
r = random.Random(1)
sys.stdout.buffer.write(r.randbytes(6000000))' >"$files/media.ogg"
entries+=(media.ogg)
bench_package "$package.tmp" "" "${entries[@]}"
mv "$package.tmp/script.txt" "$package/script.txt"
rm -rf "$package.tmp"
du -sb --apparent-size "$files" | awk '{ printf "bench: %d files, %d bytes\n", n, $1 }' n="${#entries[@]}" >&2

# The NSIS script of one installer of every file, with the given compressor.
nsis_script() {
    echo "OutFile \"$BENCH_WORK/nsis.exe\""
    echo "SetCompressor /FINAL $1"
    echo "InstallDir \"\$TEMP\\bench\""
    echo "RequestExecutionLevel user"
    echo "Section"
    echo "SetOutPath \$INSTDIR"
    local entry
    for entry in "${entries[@]}"; do
        echo "File \"$files/$entry\""
    done
    echo "SectionEnd"
}

# size_row LABEL FILE: the file's size as one figure of the group.
sizes="$BENCH_WORK/sizes"
mkdir -p "$sizes"
nsis() {
    local label="$1" compressor="$2"
    nsis_script "$compressor" >"$BENCH_WORK/bench.nsi"
    bench_time makensis -V1 "$BENCH_WORK/bench.nsi" >"$BENCH_WORK/$label.time"
    stat -c %s "$BENCH_WORK/nsis.exe" >"$sizes/$label"
}
nsis nsis-solid "/SOLID lzma"
nsis nsis-lzma lzma
nsis nsis-zlib zlib
(cd "$files" && tar -cf - --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner .) |
    xz -9 -T1 >"$BENCH_WORK/files.tar.xz"
stat -c %s "$BENCH_WORK/files.tar.xz" >"$sizes/xz"
"$BRISEL_PATCHPACK" build "$package" --stub "$BRISEL_STUB" --store --out "$BENCH_WORK/raw.exe" >/dev/null
stat -c %s "$BENCH_WORK/raw.exe" >"$sizes/raw"
bench_time "$BRISEL_PATCHPACK" build "$package" --stub "$BRISEL_STUB" \
    --out "$BENCH_WORK/z.exe" >"$BENCH_WORK/patchpack.time"
stat -c %s "$BENCH_WORK/z.exe" >"$sizes/z"
"$BRISEL_PATCHPACK" build "$package" --stub "$BRISEL_STUB" \
    --out "$BENCH_WORK/z.exe" | tail -n 3 | head -n 2 | sed 's/^/bench: /' >&2

label="45 MB of DLLs, HTML, pictures, media"
base="$(cat "$sizes/nsis-solid")"
bench_row compress "$label" "NSIS SetCompressor /SOLID lzma" "" "$sizes/nsis-solid" 1 bytes
bench_row compress "$label" "NSIS SetCompressor lzma" "$base" "$sizes/nsis-lzma" 1 bytes
bench_row compress "$label" "NSIS SetCompressor zlib" "$base" "$sizes/nsis-zlib" 1 bytes
bench_row compress "$label" "xz -9 of a tar" "$base" "$sizes/xz" 1 bytes
bench_row compress "$label" "patchpack build --store" "$base" "$sizes/raw" 1 bytes
bench_row compress "$label" "patchpack build" "$base" "$sizes/z" 1 bytes
base="$(bench_median "$BENCH_WORK/nsis-solid.time")"
bench_row compress "$label" "makensis /SOLID lzma: time" "" "$BENCH_WORK/nsis-solid.time"
bench_row compress "$label" "patchpack build: time" "$base" "$BENCH_WORK/patchpack.time"
base="$(bench_median "$BENCH_WORK/nsis-solid.time" 2 1024)"
bench_row compress "$label" "makensis /SOLID lzma: peak RSS" "" "$BENCH_WORK/nsis-solid.time" 2 MiB 1024
bench_row compress "$label" "patchpack build: peak RSS" "$base" "$BENCH_WORK/patchpack.time" 2 MiB 1024
