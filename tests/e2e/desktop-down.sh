#!/usr/bin/env bash
# Takes the test desktop down: ends the wineserver (and with it every Wine program on the
# prefix), stops the Xvfb that desktop-up.sh started, and removes the state. Bounded.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
unset DISPLAY XVFB_PID
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"

if [[ -d $WINEPREFIX ]]; then
    timeout 15 wineserver -k 2>/dev/null || true
    timeout 15 wineserver -w 2>/dev/null || true
fi

if [[ -n ${XVFB_PID:-} ]] && [[ $(cat "/proc/$XVFB_PID/comm" 2>/dev/null) == Xvfb ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$XVFB_PID" 2>/dev/null || true
fi

rm -f "$E2E_STATE"
echo "desktop-down: done"
