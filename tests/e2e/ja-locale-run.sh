#!/usr/bin/env bash
# Runs one Windows test program with the ANSI code page 932: generates a ja_JP.UTF-8 locale
# under the win32 build tree once (bounded; needs the locales package) and starts the program
# with it. Usage: ja-locale-run.sh BUILD_DIR program.exe [args]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
shift
locales=$build/locale
if [[ ! -d $locales/ja_JP.UTF-8 ]]; then
    mkdir -p "$locales"
    timeout 60 localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" ||
        { echo "ja-locale-run: could not generate ja_JP.UTF-8" >&2; exit 1; }
fi
LOCPATH=$locales LANG=ja_JP.UTF-8 exec bash "$here/wine-run.sh" --build-dir "$build" "$@"
