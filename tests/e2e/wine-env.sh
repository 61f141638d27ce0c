# shellcheck shell=bash
# Sourced by the Wine harness: one reused 32-bit prefix under the win32 build tree, quiet
# Wine, and the display of the test desktop when desktop-up.sh has written its state.
# CLIPVEIL_WIN32_BUILD may point at another win32 build tree.

CLIPVEIL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CLIPVEIL_WIN32_BUILD=${CLIPVEIL_WIN32_BUILD:-$CLIPVEIL_ROOT/build/win32}
E2E_STATE=$CLIPVEIL_WIN32_BUILD/e2e-state

export WINEPREFIX=$CLIPVEIL_WIN32_BUILD/wineprefix
export WINEARCH=win32
export WINEDEBUG=-all
# No installer dialogs for the .NET and HTML engines: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The state file holds DISPLAY and XVFB_PID (empty when the desktop is the user's own).
if [[ -f $E2E_STATE ]]; then
    # shellcheck disable=SC1090
    source "$E2E_STATE"
    export DISPLAY
fi
