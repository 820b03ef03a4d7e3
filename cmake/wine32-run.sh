#!/bin/bash
# Runs a 32-bit Windows program under the build's 32-bit Wine in the build's
# throwaway win32 prefix.
#   wine32-run.sh PROGRAM.exe [ARGS...]
# BRISEL_WINEPREFIX names the prefix (created on first use); BRISEL_WINE_LANG
# the locale (ja_JP.UTF-8 by default); BRISEL_WINE32_TIMEOUT the seconds one
# try may take (600 by default): a run that times out is tried once more.
# BRISEL_WINE32_NATIVE_ONLY, if set, says why the program cannot run under
# the emulated 32-bit Wine: there it is reported as skipped (exit code 77).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${BRISEL_WINEPREFIX:?BRISEL_WINEPREFIX must name the Wine prefix}"
source "$here/wine-env.sh"
source "$here/wine32-env.sh"
if [ -n "${BRISEL_WINE32_NATIVE_ONLY:-}" ] && [ "$(brisel_wine32_mode)" = emulated ]; then
    echo "skipped under the emulated 32-bit Wine: $BRISEL_WINE32_NATIVE_ONLY"
    exit 77
fi
brisel_wine32_prefix "$BRISEL_WINEPREFIX"

# The program's output goes through files, not straight to the caller: a
# Wine service that an emulated crash made start again during the run
# inherits the output it was started with and lives as long as the server,
# and a caller reading a pipe (CTest) would wait for it until its limit.
output="$(mktemp "${TMPDIR:-/tmp}/wine32-run.XXXXXX")"
errors="$output.err"
finish() {
    cat "$output"
    cat "$errors" >&2
    rm -f "$output" "$errors"
}
trap 'finish; exit 143' TERM INT
status=0
brisel_wine32_guard "${BRISEL_WINE32_TIMEOUT:-600}" "$(basename "$1")${2:+ ${*:2}}" \
    "$BRISEL_WINE32" "$@" >"$output" 2>"$errors" || status=$?
finish
exit "$status"
