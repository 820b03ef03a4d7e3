#!/bin/bash
# Start-up to a visible, idle window under wine64: an x86_64 installer of a
# small package (the game it looks for is there), as built by default (the
# picture decoded and checked at start-up) and with --store (the picture
# raw), each next to a minimal window program built with the same
# toolchain, taking turns after a warm-up round.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/lib.sh"
: "${BRISEL_PATCHPACK:?}" "${BRISEL_STUB64:?}" "${BENCH_WORK:?}" "${BENCH_DRIVER:?}"
: "${BENCH_MINIMAL64:?}" "${BRISEL_WINE64:?}"

package="$BENCH_WORK/package"
bench_package "$package" "$here/../packages/sample/background.bmp" small.dat
head -c 4096 /dev/urandom >"$package/files/small.dat"
installer="$BENCH_WORK/small.exe"
bench_patchpack "$package" "$BRISEL_STUB64" x86_64 "$installer"
stored="$BENCH_WORK/small-stored.exe"
bench_patchpack "$package" "$BRISEL_STUB64" x86_64 "$stored" --store

startup() {
    local exe="$1" class="$2" out
    out="$("$BRISEL_WINE64" "$BENCH_DRIVER" startup "$(bench_winpath "$exe")" "$class")" || {
        echo "bench: no idle window from $exe" >&2
        return 1
    }
    echo "$out" | awk '$1 == "startup" { print $2 / 1000 }'
}
minimal() { startup "$BENCH_MINIMAL64" MinimalWindow; }
installer() { startup "$installer" TFormMain; }
installer_stored() { startup "$stored" TFormMain; }

bench_alternate "${BENCH_RUNS:-10}" minimal "$BENCH_WORK/minimal.times" \
    installer "$BENCH_WORK/installer.times"
bench_alternate "${BENCH_RUNS:-10}" minimal "$BENCH_WORK/minimal.times" \
    installer_stored "$BENCH_WORK/stored.times"
base="$(bench_median "$BENCH_WORK/minimal.times")"
bench_row startup "to a visible, idle window" "minimal window program" "" "$BENCH_WORK/minimal.times"
bench_row startup "to a visible, idle window" "installer, 4 KB payload" "$base" \
    "$BENCH_WORK/installer.times"
bench_row startup "to a visible, idle window" "installer --store (picture raw)" "$base" \
    "$BENCH_WORK/stored.times"
