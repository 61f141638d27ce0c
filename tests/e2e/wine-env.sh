# shellcheck shell=bash
# Sourced by the Wine harness: one reused prefix under the Windows build tree, quiet Wine,
# and the display of the test desktop when desktop-up.sh has written its state.
# CLIPVEIL_WINDOWS_BUILD may point at another Windows build tree (default build/win32). The
# tree says its width in wine-arch: an i686 tree runs under Wine's 32-bit loader in a 32-bit
# prefix, an x86_64 tree under wine64 in a 64-bit prefix. Run programs with "$CLIPVEIL_WINE".

CLIPVEIL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CLIPVEIL_WINDOWS_BUILD=${CLIPVEIL_WINDOWS_BUILD:-$CLIPVEIL_ROOT/build/win32}
E2E_STATE=$CLIPVEIL_WINDOWS_BUILD/e2e-state

export WINEPREFIX=$CLIPVEIL_WINDOWS_BUILD/wineprefix
WINEARCH=$(cat "$CLIPVEIL_WINDOWS_BUILD/wine-arch" 2>/dev/null || echo win32)
export WINEARCH
if [[ $WINEARCH == win64 ]]; then
    # /usr/bin/wine takes the 32-bit loader whenever it is installed, even where it cannot run.
    export WINELOADER=/usr/lib/wine/wine64
    CLIPVEIL_WINE=$WINELOADER
else
    unset WINELOADER
    CLIPVEIL_WINE=wine
fi
export WINEDEBUG=-all
# No installer dialogs for the .NET and HTML engines: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The state file holds DISPLAY and XVFB_PID (empty when the desktop is the user's own), and
# KEEPER_PID, the desktop keeper's (empty in a tree built without the tests).
if [[ -f $E2E_STATE ]]; then
    # shellcheck disable=SC1090
    source "$E2E_STATE"
    export DISPLAY
fi
