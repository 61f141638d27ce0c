#!/usr/bin/env bash
# Configures and builds both trees: build/native (host compiler, simulated desktop,
# sanitized unit tests) and build/win32 (MinGW i686, the real program and its tests).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${CLIPVEIL_JOBS:-2}

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

echo "build: win32"
configure "$root/build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake"
cmake --build "$root/build/win32" -j "$jobs"
