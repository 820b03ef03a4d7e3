#!/bin/bash
# A drive of 1 MiB for the end-to-end run that finds a drive full: a tmpfs
# mounted at DIR, which Wine shows on Z: like any other folder.
#   small-drive.sh mount|unmount DIR
set -eu
case "$1" in
    mount)
        mkdir -p "$2"
        mountpoint -q "$2" || mount -t tmpfs -o size=1m brisel-small-drive "$2"
        ;;
    unmount)
        ! mountpoint -q "$2" || umount "$2"
        ;;
esac
