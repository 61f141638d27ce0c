#!/usr/bin/env bash
# Builds everything, then shows the main job under Wine: an imitation player on the desktop
# and the program's discovery finding it (target window, title, video component).
# Runs on $DISPLAY when that works, else on an Xvfb of its own; stops what it started.
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
[[ -n $player_exe && -n $demo_exe ]] || { echo "demo: the Windows programs were not built" >&2; exit 1; }

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
cleanup() {
    if [[ -n $player_pid ]]; then kill "$player_pid" 2>/dev/null || true; fi
    if ((own_desktop)); then bash "$e2e/desktop-down.sh" >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "demo: starting the imitation player on $DISPLAY"
(cd "$work" && exec wine "$player_exe" --class WMP --title "Clipveil demo player" --pos 120 100 640 480 \
    --report player.report </dev/null >"$work/player.log" 2>&1) &
player_pid=$!
for ((i = 0; i < 200; i++)); do
    grep -q '^ready' "$work/player.report" 2>/dev/null && break
    kill -0 "$player_pid" 2>/dev/null || { cat "$work/player.log" >&2; echo "demo: the player ended" >&2; exit 1; }
    sleep 0.1
done
echo "demo: player says: $(cat "$work/player.report" 2>/dev/null || echo 'nothing (not ready in 20 s)')"

status=0
timeout 60 wine "$demo_exe" --wait 10 || status=$?

mkdir -p "$root/build/demo"
if command -v import >/dev/null && import -display "$DISPLAY" -window root "$root/build/demo/discovery.png" 2>/dev/null; then
    echo "demo: screenshot in build/demo/discovery.png"
fi
# On a person's own screen, leave the player up long enough to be seen.
if [[ -z ${XVFB_PID:-} ]]; then sleep "${DEMO_HOLD_SECONDS:-3}"; fi
exit "$status"
