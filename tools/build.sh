#!/usr/bin/env bash
# Configures and builds the trees: build/native (host compiler, simulated desktop, sanitized
# unit tests), build/win32 (MinGW i686, the real program and its tests; always) and, when the
# Windows suite is to run on it, build/win64 (the same for x86_64: tools/windows-builds.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${CLIPVEIL_JOBS:-2}
# shellcheck source=windows-builds.sh
source "$root/tools/windows-builds.sh"
pick_windows_arches

generator_for() {
    # An existing tree keeps the generator it was made with.
    if [[ -f $1/CMakeCache.txt ]]; then return; fi
    if command -v ninja >/dev/null; then echo "-GNinja"; else echo "-GUnix Makefiles"; fi
}

configure() {
    local dir=$1
    shift
    local gen
    gen=$(generator_for "$dir")
    cmake -S "$root" -B "$dir" ${gen:+"$gen"} "$@" >"$dir.configure.log" 2>&1 || {
        cat "$dir.configure.log" >&2
        echo "build: configuring $dir failed" >&2
        return 1
    }
}

mkdir -p "$root/build"
echo "build: native"
configure "$root/build/native"
cmake --build "$root/build/native" -j "$jobs"

build_windows() {
    local arch=$1 tree
    tree=$(windows_tree "$arch")
    echo "build: $arch in ${tree#"$root"/}"
    configure "$tree" -DCMAKE_TOOLCHAIN_FILE="$(windows_toolchain "$arch")"
    cmake --build "$tree" -j "$jobs"
}
build_windows i686
[[ " ${windows_arches[*]} " != *" x86_64 "* ]] || build_windows x86_64
