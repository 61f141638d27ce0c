#!/usr/bin/env bash
# Builds the release zip: a fresh win32 tree of its own, only the Clipveil target, then
# Clipveil-<version>-win32.zip with the program, the two guides, the licence and SHA256SUMS.
#
#   tools/release.sh [--out DIR]      (default build/release)
#
# Two runs from the same commit give byte-identical zips whatever DIR is: no timestamps in
# the program, no build paths, fixed member order, times, permissions and zip attributes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

out=$root/build/release
while (($#)); do
    case $1 in
        --out) [[ $# -ge 2 ]] || { echo "release: --out needs a directory" >&2; exit 2; }
               out=$2; shift 2 ;;
        -h | --help) sed -n '2,8p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "release: unknown option $1" >&2; exit 2 ;;
    esac
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The version lives once, in the project() of CMakeLists.txt: the version resource, the zip's
# name and the guides' titles take it from there.
version=$(sed -nE 's/^project\(Clipveil VERSION ([0-9]+\.[0-9]+\.[0-9]+\.[0-9]+)[ )].*/\1/p' CMakeLists.txt | head -n 1)
[[ -n $version ]] || { echo "release: no VERSION in the project() of CMakeLists.txt" >&2; exit 1; }
name=Clipveil-$version
zip_path=$out/$name-win32.zip

# Every time stamp in the zip is the commit's; outside a repository the caller must give one.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
        { echo "release: not a git checkout; set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

for tool in cmake zip sha256sum i686-w64-mingw32-g++-posix; do
    command -v "$tool" >/dev/null || { echo "release: $tool is missing (run tools/setup.sh)" >&2; exit 1; }
done

# A fresh tree each time, so nothing left from an earlier configuration slips in.
tree=$out/win32-tree
rm -rf "$tree"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# The prefix maps turn the source and build paths into "." in everything the compiler
# writes (__FILE__, debug sections); -s drops the symbols, --no-insert-timestamp the
# link time in the COFF header. Only the Release flags are set: the plain ones keep the
# toolchain's static runtime.
prefix_maps="-ffile-prefix-map=$root=. -ffile-prefix-map=$tree=."
echo "release: configuring $tree"
cmake -S "$root" -B "$tree" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG $prefix_maps" \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG $prefix_maps" \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE="-s -Wl,--no-insert-timestamp" \
    >"$out/configure.log" 2>&1 || { cat "$out/configure.log" >&2; echo "release: configure failed" >&2; exit 1; }
echo "release: building Clipveil"
cmake --build "$tree" --target Clipveil -j "${CLIPVEIL_JOBS:-2}"
exe=$(find "$tree" -name Clipveil.exe -type f -print -quit)
[[ -n $exe ]] || { echo "release: Clipveil.exe was not built" >&2; exit 1; }
# The program travels alone: an i686 GUI program with its resources, importing only what
# every Windows has, never the compiler's runtime DLLs.
bash tools/check-pe.sh "$exe" i686 || { echo "release: Clipveil.exe is not fit to ship" >&2; exit 1; }

# The zip's files, laid out under one top folder.
stage=$out/stage
rm -rf "$stage"
mkdir -p "$stage/$name"
cp "$exe" "$stage/$name/Clipveil.exe"
# Notepad reads the guides right on every Windows version with CRLF and a UTF-8 mark. Each
# guide opens with the program's name and version, underlined.
to_notepad_text() {
    local title="Clipveil $version"
    {
        printf '\xef\xbb\xbf'
        { printf '%s\n%s\n\n' "$title" "${title//?/=}"; cat "$1"; } | sed -e 's/\r$//' -e 's/$/\r/'
    } >"$2"
}
to_notepad_text docs/README-ja.txt "$stage/$name/README-ja.txt"
to_notepad_text docs/README-en.txt "$stage/$name/README-en.txt"
sed -e 's/\r$//' -e 's/$/\r/' LICENSE >"$stage/$name/LICENSE.txt"
files=(Clipveil.exe README-en.txt README-ja.txt LICENSE.txt)
(cd "$stage/$name" && sha256sum "${files[@]}" >SHA256SUMS)
files+=(SHA256SUMS)

chmod 755 "$stage/$name"
chmod 644 "$stage/$name"/*
touch -h -d "@$SOURCE_DATE_EPOCH" "$stage/$name" "$stage/$name"/*
rm -f "$zip_path"
# -X: no uid/gid or extra time fields; -D: no directory entries; members in the order given.
(cd "$stage" && zip -X -D -q "$zip_path" "${files[@]/#/$name/}")
echo "release: $zip_path"
sha256sum "$zip_path" | sed "s|  $out/|  |"
