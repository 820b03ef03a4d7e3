#!/bin/bash
# The author's kit as an author unzips it: the expected files at its top
# level, and `patchpack build sample --out sample.exe` run inside it, with
# no other option, by the Linux patchpack and by the Windows one under Wine,
# writes the same installer from the stub beside the tool.
#   kit.sh KIT.zip WINDOWS_PATCHPACK_EXE WINE_RUNNER WORK_DIR CHECK_INSTALLER_PY
# When WINDOWS_PATCHPACK_EXE is the kit's own patchpack.exe (the i686 build,
# under the 32-bit Wine) or patchpack64.exe (the x86_64 build, under
# wine64), the kit's file runs as it is; otherwise the given build of the
# same source runs in its place, from the unzipped kit's folder.
set -uo pipefail
kit="$1" windows="$2" wine="$3" work="$4" check="$5"
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
for name in README-ja.md patchpack patchpack.exe patchpack64.exe stubs/stub-i686.exe \
    stubs/stub-x86_64.exe \
    sample/script.txt sample/background.bmp; do
    grep -qxF "$name" <<<"$listing" || fail "the kit lacks $name"
done
top="$(cut -d/ -f1 <<<"$listing" | sort -u | tr '\n' ' ')"
[ "$top" = "README-ja.md patchpack patchpack.exe patchpack64.exe sample stubs " ] ||
    fail "top level: $top"

# The Linux tool is a static program; the Windows ones a 32-bit and a 64-bit
# console program.
/usr/bin/python3 - <<'PY' || fail "patchpack or patchpack.exe is not what the kit promises"
import struct, sys, pefile
elf = open("patchpack", "rb").read()
phoff, phsize, phnum = struct.unpack_from("<Q", elf, 32)[0], *struct.unpack_from("<HH", elf, 54)
types = [struct.unpack_from("<I", elf, phoff + i * phsize)[0] for i in range(phnum)]
static = elf[:5] == b"\x7fELF\x02" and struct.unpack_from("<H", elf, 18)[0] == 62 and 3 not in types
pe = pefile.PE("patchpack.exe", fast_load=True)
console = pe.FILE_HEADER.Machine == 0x14C and pe.OPTIONAL_HEADER.Subsystem == 3
pe64 = pefile.PE("patchpack64.exe", fast_load=True)
console64 = pe64.FILE_HEADER.Machine == 0x8664 and pe64.OPTIONAL_HEADER.Subsystem == 3
sys.exit(0 if static and console and console64 else 1)
PY

sha() {
    sha256sum "$1" 2>/dev/null | cut -d' ' -f1
}

./patchpack build sample --out sample-linux.exe >/dev/null || fail "the Linux patchpack failed"
"$check" --arch i686 --package sample sample-linux.exe || fail "the installer does not check"
reference="$(sha sample-linux.exe)"
echo "Linux patchpack: sample-linux.exe $reference"

tool=patchpack.exe
if cmp -s "$windows" patchpack64.exe; then
    tool=patchpack64.exe
elif ! cmp -s "$windows" patchpack.exe; then
    tool=patchpack-standin.exe
    cp "$windows" "$tool"
    echo "note: $windows runs in place of the kit's patchpack.exe"
fi
"$wine" "$tool" build sample --out sample.exe >/dev/null || fail "$tool failed"
[ "$(sha sample.exe)" = "$reference" ] || fail "$tool wrote other bytes: $(sha sample.exe)"
echo "$tool under Wine: sample.exe $(sha sample.exe)"

[ $failures = 0 ]
