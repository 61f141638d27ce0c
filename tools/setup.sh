#!/usr/bin/env bash
# Installs what building and testing Clipveil needs on a Debian 12 machine.
# Idempotent: when every package is already there it returns at once. Extra package names
# given as arguments are installed too (the benchmarks add python3 this way).
set -euo pipefail

packages=(
    cmake ninja-build g++ make git
    googletest libgtest-dev libgmock-dev libbenchmark-dev clang-format
    wine wine32:i386 wine64
    g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    xvfb xdotool imagemagick fonts-noto-cjk fonts-ipafont-gothic fonts-wine xcompmgr x11-utils procps
    clang-14 libclang-rt-14-dev zip unzip
    locales
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
    [[ $status == ii* ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    echo "setup: all packages present"
    exit 0
fi
echo "setup: installing ${missing[*]}"

as_root=()
if ((EUID != 0)); then
    command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" </dev/null
echo "setup: done"
