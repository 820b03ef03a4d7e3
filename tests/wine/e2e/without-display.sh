#!/bin/bash
# An installer started where no X display can be opened cannot create its
# window: it must attempt the error report and end by itself with a non-zero
# exit code, not wait for ever with nothing on the screen.
#   without-display.sh INSTALLER.exe
# BRISEL_WINEPREFIX names the prefix, as for every Wine test.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset DISPLAY WAYLAND_DISPLAY
status=0
timeout -k 5 60 "$here/../../../cmake/wine-run.sh" "$1" >/dev/null 2>&1 || status=$?
case $status in
    0) echo "the installer ended with exit code 0" >&2; exit 1 ;;
    124 | 137) echo "the installer was still running after 60 s" >&2; exit 1 ;;
    *) echo "the installer ended with exit code $status" ;;
esac
