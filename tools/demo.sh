#!/usr/bin/env bash
# Builds everything, then the main job under Wine: Clipveil.exe beside an imitation player.
# Runs on $DISPLAY when that works, else on an Xvfb of its own; stops what it started.
# On its own Xvfb it walks the user panel through its states and saves screenshots of the
# main window in build/demo/: 1-searching.png, 2-found.png, 3-video-only.png, 4-restored.png
# (and desktop-*.png of the whole screen). On a person's display the program stays up until
# they close it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/setup.sh
bash tools/build.sh

e2e=$root/tests/e2e
build=$root/build/win32
export CLIPVEIL_WIN32_BUILD=$build
player_exe=$(find "$build" -name imitation_player.exe -print -quit)
demo_exe=$(find "$build" -name discovery_demo.exe -print -quit)
clipveil_exe=$(find "$build" -name Clipveil.exe -print -quit)
driver_exe=$(find "$build" -name demo_driver.exe -print -quit)
[[ -n $player_exe && -n $demo_exe && -n $clipveil_exe && -n $driver_exe ]] ||
    { echo "demo: the Windows programs were not built" >&2; exit 1; }

# A desktop that is already up (a test run, an earlier demo) is used and left as it was.
own_desktop=1
if [[ -f $build/e2e-state ]] && (source "$build/e2e-state" && timeout 5 xdpyinfo -display "$DISPLAY" >/dev/null 2>&1); then
    own_desktop=0
fi
bash "$e2e/desktop-up.sh" --prefer-user-display
# shellcheck source=../tests/e2e/wine-env.sh
source "$e2e/wine-env.sh"

work=$(mktemp -d)
player_pid=
clipveil_pid=
cleanup() {
    if [[ -n $clipveil_pid ]]; then
        wine "$driver_exe" close >/dev/null 2>&1 || true
        for ((i = 0; i < 50; i++)); do kill -0 "$clipveil_pid" 2>/dev/null || break; sleep 0.1; done
        kill "$clipveil_pid" 2>/dev/null || true
    fi
    if [[ -n $player_pid ]]; then kill "$player_pid" 2>/dev/null || true; fi
    if [[ -n ${compositor_pid:-} ]]; then kill "$compositor_pid" 2>/dev/null || true; fi
    if ((own_desktop)); then bash "$e2e/desktop-down.sh" >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

shots=$root/build/demo
mkdir -p "$shots"
own_screen=0
[[ -n ${XVFB_PID:-} ]] && own_screen=1
driver() { wine "$driver_exe" "$@"; }
shot() {
    command -v import >/dev/null || return 0
    import -display "$DISPLAY" -window root "$shots/desktop-$1.png" 2>/dev/null || return 0
    local geometry
    geometry=$(driver geometry 2>/dev/null | tr -d '\r') || true
    if [[ -n $geometry ]]; then convert "$shots/desktop-$1.png" -crop "$geometry" +repage "$shots/$1.png"; fi
    echo "demo: screenshot build/demo/$1.png"
}

# A compositor shows the overlay and see-through as the translucent windows they are.
compositor_pid=
if ((own_screen)) && command -v xcompmgr >/dev/null; then
    xcompmgr -d "$DISPLAY" >/dev/null 2>&1 &
    compositor_pid=$!
fi

echo "demo: starting Clipveil.exe on $DISPLAY"
(cd "$work" && exec wine "$clipveil_exe" </dev/null >"$work/clipveil.log" 2>&1) &
clipveil_pid=$!
driver wait-window 30 || { echo "demo: Clipveil's window did not appear" >&2; exit 1; }
driver wait-status searching 10
shot 1-searching

echo "demo: starting the imitation player"
(cd "$work" && exec wine "$player_exe" --class EVR --title "Clipveil demo player" --pos 20 20 420 330 \
    --report player.report </dev/null >"$work/player.log" 2>&1) &
player_pid=$!
for ((i = 0; i < 200; i++)); do
    grep -q '^ready' "$work/player.report" 2>/dev/null && break
    kill -0 "$player_pid" 2>/dev/null || { cat "$work/player.log" >&2; echo "demo: the player ended" >&2; exit 1; }
    sleep 0.1
done
echo "demo: player says: $(cat "$work/player.report" 2>/dev/null || echo 'nothing (not ready in 20 s)')"
echo "demo: what discovery finds:"
timeout 60 wine "$demo_exe" --wait 10 || true

driver wait-status found 10
shot 2-found
echo "demo: pressing 動画だけ"
driver click 1001
driver wait-clip 10 && echo "demo: the player is clipped to its video"
sleep 1
shot 3-video-only
echo "demo: pressing 元に戻す"
driver click 1002
sleep 1
shot 4-restored

if ((own_screen)); then
    driver close
    for ((i = 0; i < 50; i++)); do kill -0 "$clipveil_pid" 2>/dev/null || break; sleep 0.1; done
    clipveil_pid=
    echo "demo: done"
else
    echo "demo: Clipveil is running on your display; close its window to end the demo"
    wait "$clipveil_pid" || true
    clipveil_pid=
fi
