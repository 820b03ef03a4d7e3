# 32-bit Wine environment of the build: sourced by wine32-run.sh and ./run,
# after wine-env.sh. The 32-bit Wine is Debian's, unpacked by ./run into a
# private sysroot (see wine32.sh); the native 64-bit wineserver of the same
# Wine version serves its win32 prefixes, so only the clients run 32-bit.
#
# Where the kernel cannot run 32-bit programs, qemu-user runs them through
# binfmt_misc and QEMU_LD_PREFIX points its loader at the sysroot; where it
# can, the sysroot's loader is named in the Wine loader itself and the
# libraries are found through LD_LIBRARY_PATH.
#
# Emulated calls can stall now and then (a first COM use in a new prefix
# once took almost a minute, a prefix start once hung), so every call runs
# under a timeout; a call that times out (or, where asked, fails) is tried
# once more and the retry is reported on stderr and in
# $BRISEL_WINE32_ROOT/retries.log.

BRISEL_WINE32_ROOT=${BRISEL_WINE32_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine32}
BRISEL_WINE32_SYSROOT="$BRISEL_WINE32_ROOT/sysroot"
BRISEL_WINE32="$BRISEL_WINE32_SYSROOT/usr/lib/wine/wine"
BRISEL_WINESERVER32=/usr/lib/wine/wineserver64

# How the 32-bit Wine runs here, as ./run found out: "native" or "emulated".
brisel_wine32_mode() {
    cat "$BRISEL_WINE32_ROOT/mode" 2>/dev/null || true
}

# Exports the environment of the 32-bit Wine; fails if ./run has not set it
# up yet.
brisel_wine32_env() {
    case "$(brisel_wine32_mode)" in
        emulated) export QEMU_LD_PREFIX="$BRISEL_WINE32_SYSROOT" ;;
        native)
            export LD_LIBRARY_PATH="$BRISEL_WINE32_SYSROOT/lib/i386-linux-gnu:$BRISEL_WINE32_SYSROOT/usr/lib/i386-linux-gnu${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
            ;;
        *)
            echo "the 32-bit Wine is not set up under $BRISEL_WINE32_ROOT: run ./run test" >&2
            return 1
            ;;
    esac
    export WINESERVER="$BRISEL_WINESERVER32"
    # The system's font configuration, with a cache of the 32-bit
    # fontconfig's own (see wine32_fonts).
    export FONTCONFIG_FILE="$BRISEL_WINE32_ROOT/fonts.conf"
}

# brisel_wine32_guard SECONDS WHAT COMMAND...: runs COMMAND with a timeout and,
# if it times out, once more after restarting the prefix's server. With
# BRISEL_WINE32_RETRY_FAILED set, a try that fails under the emulated Wine is
# made once more too: qemu crashes some of Wine's own processes now and then
# (mostly while the prefix starts), and a session without them can fail a
# scenario (a folder browser that cannot list the drives) until the server
# starts again.
brisel_wine32_guard() {
    local seconds="$1" what="$2" status=0
    shift 2
    timeout -k 10 "$seconds" "$@" || status=$?
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        brisel_wine32_note_retry "$what timed out after $seconds s"
    elif [ "$status" -ne 0 ] && [ -n "${BRISEL_WINE32_RETRY_FAILED:-}" ] &&
        [ "$(brisel_wine32_mode)" = emulated ]; then
        brisel_wine32_note_retry "$what failed (exit code $status)"
    else
        return "$status"
    fi
    brisel_wine32_restart_server
    status=0
    timeout -k 10 "$seconds" "$@" || status=$?
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "32-bit Wine: $what timed out again after $seconds s" >&2
    fi
    return "$status"
}

brisel_wine32_note_retry() {
    local line
    line="$(date '+%F %T') retry: $1"
    echo "32-bit Wine: $1; retrying once" >&2
    mkdir -p "$BRISEL_WINE32_ROOT"
    echo "$line" >>"$BRISEL_WINE32_ROOT/retries.log"
}

# Keeps one server up for the prefix (WINEPREFIX) and its services started,
# detached from the caller's output (see start_wineserver in run-lib.sh).
brisel_wine32_start_server() {
    "$BRISEL_WINESERVER32" -p >/dev/null 2>&1 || true
    timeout -k 10 180 "$BRISEL_WINE32" wineboot </dev/null >/dev/null 2>&1 || true
}

# Ends every process of the prefix, then starts the server again.
brisel_wine32_restart_server() {
    "$BRISEL_WINESERVER32" -k >/dev/null 2>&1 || true
    timeout 30 "$BRISEL_WINESERVER32" -w >/dev/null 2>&1 || true
    brisel_wine32_start_server
}

# brisel_wine32_prefix PREFIX: exports the environment and creates the win32
# prefix on first use, as brisel_wine_prefix does for the 64-bit one.
brisel_wine32_prefix() {
    brisel_wine32_env || return 1
    export WINEPREFIX="$1"
    export WINEARCH=win32
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # An emulated winedbg attached to a crashed process can hang instead of
    # ending it: there a crash ends the process at once.
    if [ "$(brisel_wine32_mode)" = emulated ]; then
        WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
    fi
    export LANG="${BRISEL_WINE_LANG:-ja_JP.UTF-8}"
    export LC_ALL="$LANG"
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        local try
        for try in 1 2; do
            if [ -f "$WINEPREFIX/.brisel-ready" ]; then
                break
            fi
            if [ "$try" = 2 ]; then
                brisel_wine32_note_retry "creating the prefix $WINEPREFIX failed or timed out"
            fi
            "$BRISEL_WINESERVER32" -k >/dev/null 2>&1 || true
            rm -rf "$WINEPREFIX"
            timeout -k 10 300 "$BRISEL_WINE32" wineboot -i </dev/null >/dev/null 2>&1 &&
                brisel_wine_fonts timeout -k 10 120 "$BRISEL_WINE32" &&
                timeout 120 "$BRISEL_WINESERVER32" -w &&
                touch "$WINEPREFIX/.brisel-ready"
        done
        [ -f "$WINEPREFIX/.brisel-ready" ]
    ) 9>"$WINEPREFIX.lock"
}
