#!/bin/bash
# Checks a built installer: PE format and subsystem, ASLR/DEP flags, imports
# limited to DLLs Windows always loads from its system directory, the package
# resources, the icon, the version record and the manifest.
#   check-installer.sh PECHECK FILE.exe i686|x86_64 [EXPECTED_BIN_NAMES...]
# With expected names, the "BIN" resources must be exactly those.
set -uo pipefail
pecheck="$1" exe="$2" arch="$3"
shift 3
expected_bins=("$@")
failures=0

fail() {
    echo "check-installer: $exe: $*" >&2
    failures=$((failures + 1))
}

report="$("$pecheck" "$exe")" || { echo "check-installer: cannot read $exe" >&2; exit 1; }
has() { grep -qxF -- "$1" <<<"$report"; }

if [ "$arch" = i686 ]; then
    has "format PE32" || fail "not a PE32 image"
    has "machine i386" || fail "not an i386 image"
    flags="dllcharacteristics dynamicbase nxcompat"
else
    has "format PE32+" || fail "not a PE32+ image"
    has "machine amd64" || fail "not an x86_64 image"
    flags="dllcharacteristics dynamicbase nxcompat highentropyva"
fi
has "subsystem gui" || fail "not a GUI executable"
has "$flags" || fail "linker flags: expected '$flags', got '$(grep '^dllcharacteristics' <<<"$report")'"

# KnownDLLs, and comctl32 through the manifest: Windows loads these from its
# system directory whatever lies beside the executable.
allowed=(kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll advapi32.dll
    comdlg32.dll shlwapi.dll msvcrt.dll imm32.dll ws2_32.dll comctl32.dll)
while read -r _ dll; do
    [[ " ${allowed[*]} " == *" $dll "* ]] || fail "imports $dll, which is not a system directory DLL"
done < <(grep '^import ' <<<"$report")

has_resource() { grep -qE "^resource $1 $2 [0-9]+ [0-9]+$" <<<"$report"; }
has_resource TEXT RESOURCE_SCRIPT || fail "no TEXT RESOURCE_SCRIPT"
has_resource BMP RESOURCE_BACKGROUND || fail "no BMP RESOURCE_BACKGROUND"
bins="$(grep -E '^resource BIN ' <<<"$report" | awk '{print $3}' | sort)"
while read -r name; do
    [ -z "$name" ] && continue
    [[ "$name" =~ ^RESOURCE_FILE(0|[1-9][0-9]*)$ ]] || fail "unexpected BIN resource $name"
done <<<"$bins"
if [ ${#expected_bins[@]} -gt 0 ]; then
    want="$(printf '%s\n' "${expected_bins[@]}" | sort)"
    [ "$bins" = "$want" ] || fail "BIN resources: expected [$(echo $want)], got [$(echo $bins)]"
fi

has "icon 32x32 colors=16 bits=4" || fail "no 32x32 16-colour icon"
has "version.fixed.file 1.3.1.8" || fail "fixed file version is not 1.3.1.8"
has "version.fixed.product 1.3.1.8" || fail "fixed product version is not 1.3.1.8"
has "version.translation 0x0411 932" || fail "version language is not Japanese, code page 932"
while read -r _ table pair; do
    key="${pair%%=*}" value="${pair#*=}"
    [ "$table" = 041103a4 ] || [ "$table" = 041103A4 ] || fail "version strings in table $table"
    case "$key" in
        FileVersion) [ "$value" = 1.3.1.8 ] || fail "FileVersion is '$value'" ;;
        ProductVersion) [ "$value" = 1.0.0.0 ] || fail "ProductVersion is '$value'" ;;
        *) [ -z "$value" ] || fail "version field $key is not empty: '$value'" ;;
    esac
done < <(grep '^version.string ' <<<"$report")
grep -q '^version.string .* FileVersion=' <<<"$report" || fail "no FileVersion text"
grep -q '^version.string .* ProductVersion=' <<<"$report" || fail "no ProductVersion text"

manifest="$("$pecheck" --extract 24 1 "$exe")" || fail "no manifest"
grep -q 'requestedExecutionLevel level="requireAdministrator"' <<<"$manifest" ||
    fail "manifest does not require administrator rights"
grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" ||
    fail "manifest does not ask for common controls 6.0.0.0"

if [ $failures -gt 0 ]; then
    exit 1
fi
echo "check-installer: $exe: ok ($(stat -c %s "$exe") bytes)"
