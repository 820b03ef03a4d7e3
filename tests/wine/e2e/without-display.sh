#!/bin/bash
# An installer started where no X display can be opened cannot create its
# window: it must attempt the error report and end by itself with exit code
# 1, not wait for ever with nothing on the screen. (Any other code would be
# the runner's or Wine's own failure to start it.)
#   without-display.sh SECONDS RUNNER INSTALLER.exe
# RUNNER is the build's Wine runner (wine-run.sh or wine32-run.sh); the
# installer fails the test when it still runs after SECONDS.
set -u
seconds="$1" runner="$2" installer="$3"
unset DISPLAY WAYLAND_DISPLAY
status=0
timeout -k 5 "$seconds" "$runner" "$installer" >/dev/null 2>&1 || status=$?
case $status in
    1) echo "the installer ended with exit code 1" ;;
    124 | 137) echo "the installer was still running after $seconds s" >&2; exit 1 ;;
    *) echo "the installer ended with exit code $status, not 1" >&2; exit 1 ;;
esac
