#!/usr/bin/env bash
# Runs one Windows program under Wine on the test desktop; CTest uses it as the emulator
# of the cross-built test programs. Usage: wine-run.sh [--build-dir DIR] program.exe [args]
# The exit code is the program's (124 when it ran past E2E_TIMEOUT seconds).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [[ ${1:-} == --build-dir ]]; then
    export CLIPVEIL_WINDOWS_BUILD=$2
    shift 2
fi
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
if [[ -z ${DISPLAY:-} ]]; then
    echo "wine-run: no test desktop ($E2E_STATE missing): run desktop-up.sh first," \
        "or give the test FIXTURES_REQUIRED wine_desktop" >&2
    exit 1
fi
timeout -k 5 "${E2E_TIMEOUT:-120}" "$CLIPVEIL_WINE" "$@"
