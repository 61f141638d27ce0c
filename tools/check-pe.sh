#!/usr/bin/env bash
# Reads a built Clipveil.exe without running it and checks what Windows needs of it: the
# processor (i686 or x86_64), the GUI subsystem, imports of system DLLs only (never the
# compiler's runtime), the version resource with the project's version, the manifest naming the
# same processor and declaring per-monitor DPI awareness, string 101 and icon group 128.
# Works where the program cannot run.
#
#   tools/check-pe.sh EXE i686|x86_64
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe=${1:?usage: check-pe.sh EXE i686|x86_64}
arch=${2:?usage: check-pe.sh EXE i686|x86_64}
case $arch in
    i686) format=pei-i386 magic=010b manifest_arch=X86 ;;
    x86_64) format=pei-x86-64 magic=020b manifest_arch=amd64 ;;
    *) echo "check-pe: no such build '$arch'" >&2; exit 2 ;;
esac
objdump=$arch-w64-mingw32-objdump
windres=$arch-w64-mingw32-windres

failures=0
fail() {
    echo "check-pe: $exe: $*" >&2
    failures=$((failures + 1))
}

headers=$("$objdump" -p "$exe" 2>&1) || { echo "check-pe: $objdump cannot read $exe: $headers" >&2; exit 1; }
grep -q "file format $format\$" <<<"$headers" || fail "not $format: $(grep -m1 'file format' <<<"$headers")"
grep -qE "^Magic[[:space:]]+$magic" <<<"$headers" || fail "optional header magic is not $magic"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "subsystem is not Windows GUI"

# The program travels alone: it imports only what every Windows has.
imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$headers" | tr '[:upper:]' '[:lower:]')
[[ -n $imports ]] || fail "no imports listed"
foreign=$(grep -vxE 'kernel32\.dll|user32\.dll|gdi32\.dll|comctl32\.dll|shell32\.dll|psapi\.dll|version\.dll|advapi32\.dll|ole32\.dll|msvcrt\.dll|api-ms-win-.*\.dll' <<<"$imports" || true)
[[ -z $foreign ]] && echo "check-pe: imports $(echo $imports)" ||
    fail "imports DLLs that Windows lacks:" $foreign

# windres reads the resources back out of the program as .rc text.
resources=$("$windres" -i "$exe" -O rc 2>&1) || { fail "no resources could be read: $resources"; resources=; }
# The project's VERSION (1.0.1.102) is written "1, 0, 1, 102" in the version resource.
version=$(sed -nE 's/^project\(Clipveil VERSION ([0-9]+)\.([0-9]+)\.([0-9]+)\.([0-9]+)[ )].*/\1, \2, \3, \4/p' \
    "$root/CMakeLists.txt" | head -n 1)
[[ -n $version ]] || fail "no VERSION in the project() of CMakeLists.txt"
grep -q '^1 VERSIONINFO$' <<<"$resources" || fail "no version resource"
grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" || fail "the product version is not \"$version\""
manifest=$(sed -n '/^1 24 \/\* RT_MANIFEST \*\//,/^END$/p' <<<"$resources")
[[ -n $manifest ]] || fail "no manifest (RT_MANIFEST 1)"
named=$(grep -oE 'processorArchitecture=""[^"]*""' <<<"$manifest" | sort -u | tr -d '"' | sed 's/processorArchitecture=//')
[[ $named == "$manifest_arch" ]] || fail "the manifest names processor(s) '$(echo $named)', not $manifest_arch"
grep -q 'Microsoft.Windows.Common-Controls""[^"]*version=""6.0.0.0""' <<<"$manifest" ||
    fail "the manifest does not ask for the common controls 6.0.0.0"
# Per-monitor awareness: the older element for Windows 8.1 (system aware on 7 and 8), the newer
# one, which takes precedence, for Windows 10 and later.
grep -q '<dpiAware[^>]*>true/pm</dpiAware>' <<<"$manifest" ||
    fail "the manifest does not declare <dpiAware>true/pm</dpiAware>"
grep -q '<dpiAwareness[^>]*>PerMonitorV2, PerMonitor</dpiAwareness>' <<<"$manifest" ||
    fail "the manifest does not declare <dpiAwareness>PerMonitorV2, PerMonitor</dpiAwareness>"
sed -n '/^STRINGTABLE$/,/^END$/p' <<<"$resources" | grep -qE '^[[:space:]]+101, L?"' || fail "no string 101"
grep -q '^128 14 /\* RT_GROUP_ICON \*/' <<<"$resources" || fail "no icon 128"

if ((failures)); then
    echo "check-pe: $exe: $failures check(s) failed" >&2
    exit 1
fi
echo "check-pe: $exe is an $arch GUI program: version $version, manifest for $manifest_arch (per-monitor DPI aware), string 101 and icon 128"
