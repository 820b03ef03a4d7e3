# Wine environment of the build: sourced by wine-run.sh, wine32-run.sh and ./run.
# brisel_wine_prefix PREFIX exports the environment and creates the prefix on
# first use (64-bit, Japanese locale, Japanese fonts for the faces we use).

BRISEL_WINE64=${BRISEL_WINE64:-/usr/lib/wine/wine64}
BRISEL_WINESERVER=${BRISEL_WINESERVER:-/usr/lib/wine/wineserver}

brisel_wine_prefix() {
    export WINEPREFIX="$1"
    export WINEARCH=win64
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG="${BRISEL_WINE_LANG:-ja_JP.UTF-8}"
    export LC_ALL="$LANG"
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.brisel-ready" ]; then
            rm -rf "$WINEPREFIX"
            "$BRISEL_WINE64" wineboot -i >/dev/null 2>&1 || true
            brisel_wine_fonts
            "$BRISEL_WINESERVER" -w
            touch "$WINEPREFIX/.brisel-ready"
        fi
    ) 9>"$WINEPREFIX.lock"
}

# Font replacements: the window's face and the system's dialog and message
# faces are drawn with the IPA Gothic fonts. Arguments: the command that runs
# a Windows program in the prefix (wine64 by default).
brisel_wine_fonts() {
    local wine=("$@")
    [ ${#wine[@]} -gt 0 ] || wine=("$BRISEL_WINE64")
    local reg="$WINEPREFIX/fonts.reg"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        local face
        for face in "ＭＳ Ｐゴシック" "MS PGothic" "ＭＳ ゴシック" "MS Gothic" \
            "MS UI Gothic" "ＭＳ 明朝" "MS Mincho" "Meiryo UI" "メイリオ" "Yu Gothic UI"; do
            printf '"%s"="IPAPGothic"\r\n' "$face"
        done
        for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Segoe UI" "MS Sans Serif"; do
            printf '"%s"="IPAPGothic"\r\n' "$face"
        done
        printf '\r\n'
        # No window manager runs under Xvfb: Wine draws the title bars.
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n'
        printf '"Decorated"="N"\r\n"Managed"="N"\r\n\r\n'
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    "${wine[@]}" regedit /S "$reg" >/dev/null 2>&1
}
