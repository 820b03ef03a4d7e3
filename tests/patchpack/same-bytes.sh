#!/bin/bash
# The installer depends only on the stub and the package's contents: the
# Linux patchpack and patchpack.exe under Wine write the same bytes for
# every package and stub, and so do both for a copy of a package in other
# folders (with Japanese names), written a second later, and for a folder
# given alone (FOLDER.exe beside it, from the stub beside the tool).
#   same-bytes.sh LINUX_PATCHPACK WINDOWS_PATCHPACK WINE_RUNNER WORK_DIR \
#       MOVED_PACKAGE STUB... -- PACKAGE_DIR... [--store PACKAGE_DIR...]
#       [--from PACKAGE_DIR OLD_DIR...]
# Packages broken on purpose are written with --force; those after --store
# are written with --store (raw), the others compressed as by default; each
# package after --from is
# written with deltas against the old folder after it (and --keep-whole).
# MOVED_PACKAGE is the one copied to other folders; it must be among the
# packages.
set -uo pipefail
linux="$1" windows="$2" wine="$3" work="$4" moved="$5"
shift 5
stubs=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    [ -n "$1" ] && [ -f "$1" ] && stubs+=("$1")
    shift
done
shift
packages=() stored=()
while [ $# -gt 0 ] && [ "$1" != --store ]; do
    packages+=("$1")
    shift
done
[ $# -gt 0 ] && shift
while [ $# -gt 0 ] && [ "$1" != --from ]; do
    stored+=("$1")
    shift
done
[ $# -gt 0 ] && shift
deltas=("$@") # pairs: package, old folder
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A host path as Wine shows it on drive Z:.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

arch_of() {
    case "$1" in
        *x86_64*) echo x86_64 ;;
        *) echo i686 ;;
    esac
}

sha() {
    sha256sum "$1" | cut -d' ' -f1
}

rm -rf "$work"
mkdir -p "$work"
for stub in "${stubs[@]}"; do
    arch="$(arch_of "$stub")"
    for package in "${packages[@]}" "${stored[@]/#/--store }"; do
        options=(--force) suffix=""
        if [ "${package#--store }" != "$package" ]; then
            package="${package#--store }" options=(--store) suffix=-raw
        fi
        name="$(basename "$package")$suffix-$arch"
        "$linux" build "$package" "${options[@]}" --arch "$arch" --stub "$stub" \
            --out "$work/$name-linux.exe" >/dev/null || fail "$name: the Linux patchpack failed"
        "$wine" "$windows" build "$(windows_path "$package")" "${options[@]}" --arch "$arch" \
            --stub "$(windows_path "$stub")" --out "$(windows_path "$work/$name-windows.exe")" \
            >/dev/null || fail "$name: patchpack.exe failed"
        a="$(sha "$work/$name-linux.exe" 2>/dev/null)" b="$(sha "$work/$name-windows.exe" 2>/dev/null)"
        if [ -n "$a" ] && [ "$a" = "$b" ]; then
            echo "same bytes: $name $a"
        else
            fail "$name: Linux $a, Windows $b"
        fi
    done
done

# Deltas: both tools match, weigh and write the instructions alike.
stub="${stubs[0]}"
arch="$(arch_of "$stub")"
for ((i = 0; i + 1 < ${#deltas[@]}; i += 2)); do
    package="${deltas[$i]}" old="${deltas[$((i + 1))]}"
    name="$(basename "$package")-delta-$arch"
    "$linux" build "$package" --from "$old" --keep-whole --arch "$arch" --stub "$stub" \
        --out "$work/$name-linux.exe" >/dev/null || fail "$name: the Linux patchpack failed"
    "$wine" "$windows" build "$(windows_path "$package")" --from "$(windows_path "$old")" \
        --keep-whole --arch "$arch" --stub "$(windows_path "$stub")" \
        --out "$(windows_path "$work/$name-windows.exe")" >/dev/null ||
        fail "$name: patchpack.exe failed"
    a="$(sha "$work/$name-linux.exe" 2>/dev/null)" b="$(sha "$work/$name-windows.exe" 2>/dev/null)"
    if [ -n "$a" ] && [ "$a" = "$b" ]; then
        echo "same bytes: $name $a"
    else
        fail "$name: Linux $a, Windows $b"
    fi
done

# One package copied into two folders with Japanese names, written by both
# tools a second apart: every copy gives the first installer's bytes.
stub="${stubs[0]}"
arch="$(arch_of "$stub")"
package="$moved"
reference="$(sha "$work/$(basename "$package")-$arch-linux.exe")"
for place in "場所 甲" "場所 乙"; do
    copy="$work/$place/パッケージ"
    mkdir -p "$copy"
    cp -R "$package/." "$copy/"
    sleep 1
    "$linux" build "$copy" --arch "$arch" --stub "$stub" --out "$copy.exe" >/dev/null &&
        "$wine" "$windows" build "$(windows_path "$copy")" --arch "$arch" \
            --stub "$(windows_path "$stub")" --out "$(windows_path "$copy-windows.exe")" \
            >/dev/null || fail "building in $place failed"
    for out in "$copy.exe" "$copy-windows.exe"; do
        [ "$(sha "$out" 2>/dev/null)" = "$reference" ] || fail "$out differs from the first build"
    done
    echo "same bytes in $place: $reference"
done
# A package folder given alone, as Explorer passes a folder dropped onto
# patchpack.exe: each tool, with the i686 stub beside it, writes FOLDER.exe
# beside the folder, the first installer's bytes. patchpack.exe has no
# console of its own here, so it must not wait for a key.
if [ "$arch" = i686 ]; then
    for tool in "$linux" "$windows"; do
        place="$work/dropped-$(basename "$tool")"
        mkdir -p "$place/stubs" "$place/パッケージ"
        cp "$tool" "$place/"
        cp "$stub" "$place/stubs/stub-i686.exe"
        cp -R "$package/." "$place/パッケージ/"
    done
    place="$work/dropped-$(basename "$linux")"
    "$place/$(basename "$linux")" "$place/パッケージ" >/dev/null </dev/null ||
        fail "the Linux patchpack failed with a folder alone"
    [ "$(sha "$place/パッケージ.exe" 2>/dev/null)" = "$reference" ] ||
        fail "the Linux patchpack wrote other bytes for a folder alone"
    place="$work/dropped-$(basename "$windows")"
    "$wine" "$place/$(basename "$windows")" "$(windows_path "$place/パッケージ")" >/dev/null </dev/null ||
        fail "patchpack.exe failed with a folder alone"
    [ "$(sha "$place/パッケージ.exe" 2>/dev/null)" = "$reference" ] ||
        fail "patchpack.exe wrote other bytes for a folder alone"
    echo "same bytes for a folder alone: $reference"
fi
[ "$(find "$work" -name '*.partial*' | wc -l)" = 0 ] || fail "temporary files were left behind"

[ $failures = 0 ]
