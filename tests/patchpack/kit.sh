#!/bin/bash
# The author's kit as an author unzips it: the expected files at its top
# level, and `patchpack build sample --out sample.exe` run inside it, with
# no other option, by the Linux patchpack and by the Windows one under Wine,
# writes the same installer from the stub beside the tool.
#   kit.sh KIT.zip X86_64_PATCHPACK_EXE WINE_RUNNER WORK_DIR CHECK_INSTALLER_PY
# The kit's patchpack.exe is i686; it runs where a 32-bit Wine is given in
# BRISEL_WINE32_RUN (a runner like WINE_RUNNER). Under wine64 the x86_64
# build of the same source stands in for it, placed in the unzipped kit.
set -uo pipefail
kit="$1" windows64="$2" wine="$3" work="$4" check="$5"
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
# Unzipped as unzip does it, with the permissions the zip records.
/usr/bin/python3 - "$kit" "$work/kit" <<'PY' || { echo "FAIL: cannot unzip $kit"; exit 1; }
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as kit:
    for info in kit.infolist():
        os.chmod(kit.extract(info, sys.argv[2]), (info.external_attr >> 16) & 0o777)
PY
cd "$work/kit"
listing="$(find . -type f | sed 's|^\./||' | sort)"
for name in README-ja.md patchpack patchpack.exe stubs/stub-i686.exe stubs/stub-x86_64.exe \
    sample/script.txt sample/background.bmp; do
    grep -qxF "$name" <<<"$listing" || fail "the kit lacks $name"
done
top="$(cut -d/ -f1 <<<"$listing" | sort -u | tr '\n' ' ')"
[ "$top" = "README-ja.md patchpack patchpack.exe sample stubs " ] || fail "top level: $top"

# The Linux tool is a static program; the Windows one a 32-bit console program.
/usr/bin/python3 - <<'PY' || fail "patchpack or patchpack.exe is not what the kit promises"
import struct, sys, pefile
elf = open("patchpack", "rb").read()
phoff, phsize, phnum = struct.unpack_from("<Q", elf, 32)[0], *struct.unpack_from("<HH", elf, 54)
types = [struct.unpack_from("<I", elf, phoff + i * phsize)[0] for i in range(phnum)]
static = elf[:5] == b"\x7fELF\x02" and struct.unpack_from("<H", elf, 18)[0] == 62 and 3 not in types
pe = pefile.PE("patchpack.exe", fast_load=True)
console = pe.FILE_HEADER.Machine == 0x14C and pe.OPTIONAL_HEADER.Subsystem == 3
sys.exit(0 if static and console else 1)
PY

sha() {
    sha256sum "$1" 2>/dev/null | cut -d' ' -f1
}

./patchpack build sample --out sample-linux.exe >/dev/null || fail "the Linux patchpack failed"
"$check" --arch i686 --package sample sample-linux.exe || fail "the installer does not check"
reference="$(sha sample-linux.exe)"
echo "Linux patchpack: sample-linux.exe $reference"

cp "$windows64" patchpack-x86_64.exe
runs=("$wine patchpack-x86_64.exe")
if [ -n "${BRISEL_WINE32_RUN:-}" ]; then
    runs+=("$BRISEL_WINE32_RUN patchpack.exe")
fi
for run in "${runs[@]}"; do
    rm -f sample.exe
    $run build sample --out sample.exe >/dev/null || fail "$run failed"
    [ "$(sha sample.exe)" = "$reference" ] || fail "$run wrote other bytes: $(sha sample.exe)"
    echo "$run: sample.exe $(sha sample.exe)"
done
if [ -z "${BRISEL_WINE32_RUN:-}" ]; then
    echo "note: no 32-bit Wine given; the kit's own patchpack.exe was not run"
fi

[ $failures = 0 ]
