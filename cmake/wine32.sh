# Sets up the 32-bit Wine that runs the shipped i686 build: sourced by
# run-lib.sh (ROOT and BUILD set). Needs root, as the rest of ./run does.
#
# Debian's wine32 and its i386 libraries are unpacked into a private sysroot
# under build/wine32 instead of being installed: nothing i386 enters the
# system, so wine64 and its 64-bit prefixes stay as they are. The package
# lists and packages come from the system's apt sources through a private
# apt state (lists, cache and an empty dpkg status under build/wine32/apt),
# so the system's apt state, architectures and locks are untouched. Once the
# sysroot is made, later runs download nothing.
#
# Whether the kernel runs 32-bit programs is found out by running a tiny
# i386 program. If it does, the Wine loader is pointed at the sysroot's
# dynamic loader and runs natively. If not, qemu-user runs every i386
# program through binfmt_misc, with a small preloaded library that makes
# qemu's mmap honour MAP_FIXED_NOREPLACE (see wine32-noreplace.c).
# BRISEL_WINE32_EMULATE=1 forces emulation, to try that path on a machine
# that would not need it.

export BRISEL_WINE32_ROOT="${BRISEL_WINE32_ROOT:-$BUILD/wine32}"
source "$ROOT/cmake/wine32-env.sh"

# The sysroot: wine32 with its dependencies, zlib1.dll (user32 needs it), and
# the X extension libraries the 64-bit Wine also has (rendering, input).
WINE32_PACKAGES=(wine32 libz-mingw-w64 fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1
    libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1)
# Raise when the way the sysroot is made changes, so old ones are made anew.
WINE32_SYSROOT_LAYOUT=1
WIN32_PREFIX="$BUILD/win32/wineprefix"

# True if the kernel runs i386 programs itself. The probe is a 93-byte i386
# program that only exits 0; bytes of its ELF identification padding are set
# (the kernel ignores them) so that no binfmt_misc emulator entry matches it.
wine32_kernel_runs_i386() {
    local probe="$BRISEL_WINE32_ROOT/probe-i386"
    mkdir -p "$BRISEL_WINE32_ROOT"
    # ELF header (52 bytes), one loadable segment at 0x08048000, then
    # "mov eax, 1; xor ebx, ebx; int 0x80" (exit 0).
    local hex='7f454c46010101 00 006e617469766500 0200 0300 01000000 54800408 34000000
        00000000 00000000 3400 2000 0100 0000 0000 0000
        01000000 00000000 00800408 00800408 5d000000 5d000000 05000000 00100000
        b801000000 31db cd80'
    # shellcheck disable=SC2059 # the format is the escaped bytes
    printf "$(echo "$hex" | tr -d ' \n' | sed 's/../\\x&/g')" >"$probe"
    chmod +x "$probe"
    timeout 10 "$probe" 2>/dev/null
}

# The private apt of the sysroot: the system's sources and keys, i386 only.
wine32_apt() {
    local apt="$BRISEL_WINE32_ROOT/apt"
    mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/state"
    touch "$apt/state/status"
    "$@" -o Dir::State="$apt/state" -o Dir::State::Lists="$apt/lists" \
        -o Dir::State::status="$apt/state/status" -o Dir::Cache="$apt" \
        -o Dir::Cache::archives="$apt/archives" -o APT::Architecture=i386 \
        -o APT::Architectures::=i386 -o Acquire::Retries=3
}

wine32_sysroot() {
    local stamp="$BRISEL_WINE32_ROOT/sysroot.stamp"
    # The sysroot's own path is part of it (the Wine loader names it).
    local wanted="layout $WINE32_SYSROOT_LAYOUT in $BRISEL_WINE32_SYSROOT: ${WINE32_PACKAGES[*]}"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
        return
    fi
    log "unpacking the 32-bit Wine into $BRISEL_WINE32_SYSROOT"
    local apt="$BRISEL_WINE32_ROOT/apt"
    # A mirror in the middle of a sync serves a list of the wrong size: wait
    # and try again; after the last try go on with the lists that did come
    # (the packages come from the main archive).
    local attempt
    for attempt in 1 2 3 4; do
        if wine32_apt apt-get -q update >&2; then
            break
        fi
        log "the i386 package lists did not all download (try $attempt of 4)"
        [ "$attempt" = 4 ] || sleep $((attempt * 15))
    done
    # The dependency closure, resolved against an empty status: every package
    # the sysroot needs, none of the host's.
    wine32_apt apt-get -q -y --download-only --no-install-recommends install \
        "${WINE32_PACKAGES[@]}" >&2
    local new="$BRISEL_WINE32_SYSROOT.new" deb
    rm -rf "$new" "$BRISEL_WINE32_SYSROOT"
    mkdir -p "$new"
    for deb in "$apt"/archives/*.deb; do
        dpkg-deb -x "$deb" "$new"
    done
    # What the packages' install scripts would do: zlib1.dll marked as a Wine
    # builtin (as libwine's postinst does), the loader's cache.
    local zlib="$new/usr/i686-w64-mingw32/lib/zlib1.dll"
    {
        head -c 64 "$zlib"
        printf 'Wine builtin DLL'
        head -c 16 /dev/zero
        tail -c +97 "$zlib"
    } >"$new/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
    printf 'include /etc/ld.so.conf.d/*.conf\n' >"$new/etc/ld.so.conf"
    ldconfig -r "$new"
    # Fonts come from the host, as for the 64-bit Wine: the emulated loader
    # would otherwise see the sysroot's font folder and configuration only.
    rm -rf "$new/usr/share/fonts" "$new/etc/fonts"
    # The sysroot's dynamic loader, named in the Wine loader itself, so that
    # the kernel can start it without an i386 loader in the system.
    patchelf --set-interpreter "$BRISEL_WINE32_SYSROOT/lib/ld-linux.so.2" \
        "$new/usr/lib/wine/wine"
    mv "$new" "$BRISEL_WINE32_SYSROOT"
    echo "$wanted" >"$stamp"
}

# The 32-bit fontconfig reads the system's configuration and fonts, as the
# 64-bit one does, but keeps its cache under build/wine32: the system's cache
# folder is not ours to fill, and a cache written while the fonts looked
# different would hide fonts from later runs.
wine32_fonts() {
    mkdir -p "$BRISEL_WINE32_ROOT/fontconfig-cache"
    cat >"$BRISEL_WINE32_ROOT/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <cachedir>$BRISEL_WINE32_ROOT/fontconfig-cache</cachedir>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
</fontconfig>
EOF
}

# The MAP_FIXED_NOREPLACE fix-up, preloaded into emulated processes only:
# qemu's loader reads /etc/ld.so.preload from the sysroot.
wine32_noreplace_shim() {
    local source="$ROOT/cmake/wine32-noreplace.c"
    local lib="$BRISEL_WINE32_SYSROOT/usr/lib/brisel-noreplace.so"
    if [ ! -f "$lib" ] || [ "$source" -nt "$lib" ]; then
        i686-linux-gnu-gcc -shared -fPIC -O2 -Wall -Wextra -Werror -nostdlib -ffreestanding \
            -o "$lib" "$source" >&2
    fi
    echo /usr/lib/brisel-noreplace.so >"$BRISEL_WINE32_SYSROOT/etc/ld.so.preload"
}

# qemu-user as the kernel's handler of i386 programs. Flag F opens the
# emulator once at registration, so it works in any mount namespace.
WINE32_BINFMT=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'
wine32_binfmt() {
    local misc=/proc/sys/fs/binfmt_misc
    if [ ! -e "$misc/register" ]; then
        mount -t binfmt_misc binfmt_misc "$misc"
    fi
    if [ -e "$misc/qemu-i386" ]; then
        if grep -qx enabled "$misc/qemu-i386" &&
            grep -qx 'interpreter /usr/bin/qemu-i386-static' "$misc/qemu-i386" &&
            grep -q '^flags: .*F' "$misc/qemu-i386"; then
            return
        fi
        echo -1 >"$misc/qemu-i386"
    fi
    log "registering qemu-i386-static for i386 programs"
    echo "$WINE32_BINFMT" >"$misc/register"
}

# Where the kernel runs i386 programs itself, our own qemu entry would still
# take them over: it is removed again.
wine32_no_binfmt() {
    local entry=/proc/sys/fs/binfmt_misc/qemu-i386
    if [ -e "$entry" ] && grep -qx 'interpreter /usr/bin/qemu-i386-static' "$entry"; then
        log "32-bit programs run natively here: removing the qemu-i386 handler"
        echo -1 >"$entry"
    fi
}

# Makes the 32-bit Wine ready to use; idempotent and quick once done.
wine32_setup() {
    local started=$SECONDS mode=native
    if [ "${BRISEL_WINE32_EMULATE:-0}" = 1 ] || ! wine32_kernel_runs_i386; then
        mode=emulated
    fi
    if [ "$mode" = emulated ]; then
        install_missing patchelf qemu-user-static gcc-i686-linux-gnu
    else
        install_missing patchelf
    fi
    wine32_sysroot
    wine32_fonts
    if [ "$mode" = emulated ]; then
        wine32_noreplace_shim
        wine32_binfmt
    else
        rm -f "$BRISEL_WINE32_SYSROOT/etc/ld.so.preload"
        wine32_no_binfmt
    fi
    echo "$mode" >"$BRISEL_WINE32_ROOT/mode"
    log "32-bit Wine ready ($mode) in $((SECONDS - started)) s"
}

# Starts the server of the i686 build's prefix (creating the prefix first).
wine32_start() {
    source "$ROOT/cmake/wine-env.sh"
    local started=$SECONDS
    brisel_wine32_prefix "$1"
    brisel_wine32_start_server
    log "32-bit prefix and server up in $((SECONDS - started)) s"
}

wine32_stop() {
    "$BRISEL_WINESERVER32" -k >/dev/null 2>&1 || true
}

# The demo driver of the i686 build on INSTALLER in a new prefix under DEMO,
# as run_demo does with the 64-bit one; further arguments go to the driver.
# Unattended, it has the time limit and retry of every emulated call.
wine32_demo() {
    local demo="$1" installer="$2" status=0
    shift 2
    wine32_start "$demo/wineprefix" || return
    local run=("$BRISEL_WINE32" "$WIN32_BUILD/tests/wine/e2e/demo_driver.exe" "$installer"
        "$(winepath_of "$demo/report.txt")" "$(winepath_of "$demo/screenshots")" "$@")
    if [ "${1:-}" = --auto ]; then
        brisel_wine32_guard 300 "the demo" "${run[@]}" >&2 || status=$?
    else
        "${run[@]}" >&2 || status=$?
    fi
    wine32_stop
    return $status
}

# The i686 build's tests under the 32-bit Wine; reports the retries of
# emulated calls that timed out or failed.
wine32_tests() {
    local status=0 retries="$BRISEL_WINE32_ROOT/retries.log" before=0 after=0
    [ -f "$retries" ] && before=$(wc -l <"$retries")
    log "win32 tests under 32-bit Wine ($(cat "$BRISEL_WINE32_ROOT/mode"))"
    wine32_start "$WIN32_PREFIX" || status=$?
    if [ $status -eq 0 ]; then
        (cd "$ROOT" && ctest --preset win32) || status=$?
    fi
    wine32_stop
    [ -f "$retries" ] && after=$(wc -l <"$retries")
    if [ "$after" -gt "$before" ]; then
        log "32-bit Wine: $((after - before)) call(s) retried:"
        tail -n "$((after - before))" "$retries" >&2
    else
        log "32-bit Wine: no retries"
    fi
    return $status
}
