#!/bin/bash
# The links the Wine tests write through: Unix symbolic links, which Wine
# resolves as Windows resolves a junction or a file link, without showing
# a reparse point. FOLDER/game/sub leads to FOLDER/outside, and
# FOLDER/game/soft.dat to FOLDER/outside/file.dat.
#   make-links.sh FOLDER
set -eu
root="$1"
rm -rf "$root"
mkdir -p "$root/game" "$root/outside"
printf outside >"$root/outside/file.dat"
ln -s ../outside "$root/game/sub"
ln -s ../outside/file.dat "$root/game/soft.dat"
