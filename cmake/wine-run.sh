#!/bin/bash
# Runs a Windows program under wine64 in the build's throwaway prefix.
#   wine-run.sh PROGRAM.exe [ARGS...]
# BRISEL_WINEPREFIX names the prefix (created on first use); BRISEL_WINE_LANG
# the locale (ja_JP.UTF-8 by default, so the ANSI code page is 932).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${BRISEL_WINEPREFIX:?BRISEL_WINEPREFIX must name the Wine prefix}"
source "$here/wine-env.sh"
brisel_wine_prefix "$BRISEL_WINEPREFIX"
exec "$BRISEL_WINE64" "$@"
