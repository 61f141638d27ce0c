#!/usr/bin/env bash
# Builds everything, then the main job under Wine: Clipveil.exe beside an imitation player.
# Runs on $DISPLAY when that works, else on an Xvfb of its own; stops what it started.
# On its own Xvfb it walks the program as a user would and saves screenshots in build/demo/:
# the main window (1-searching.png, 2-found.png, 3-video-only.png, 4-restored.png), the
# clipped player (5-player-clipped.png), the see-through setting dialog (6-setting.png) and
# the see-through player dragged over the main window (7-see-through.png), with desktop-*.png
# of the whole screen beside them. On a person's display the program stays up until they
# close it.
#
#   tools/demo.sh [--docs]
#     --docs   always on an Xvfb of its own; also writes the guide's pictures to docs/images/
#
# It runs the Windows build this machine can run (tools/windows-builds.sh): i686, or x86_64
# under wine64 where no 32-bit program starts. With CLIPVEIL_WINDOWS_BUILD set, that Windows
# tree is used and only the demo's programs are built in it (configured first if needed);
# otherwise tools/build.sh builds the trees.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

docs=0
for arg in "$@"; do
    case $arg in
        --docs) docs=1 ;;
        *) echo "demo: unknown option $arg (only --docs)" >&2; exit 2 ;;
    esac
done

bash tools/setup.sh
# The build this machine runs: i686 where Wine's 32-bit loader starts, else x86_64.
# shellcheck source=windows-builds.sh
source tools/windows-builds.sh
pick_windows_arches
arch=${windows_arches[0]}
if [[ -n ${CLIPVEIL_WINDOWS_BUILD:-} ]]; then
    build=$CLIPVEIL_WINDOWS_BUILD
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(windows_toolchain "$arch")" >/dev/null
    fi
    cmake --build "$build" -j "${CLIPVEIL_JOBS:-2}" --target Clipveil imitation_player demo_driver discovery_demo
else
    CLIPVEIL_WINDOWS_ARCH=$arch bash tools/build.sh
    build=$(windows_tree "$arch")
fi
echo "demo: the Windows programs of ${build#"$root"/}, $(cat "$build/wine-arch") ($windows_arch_reason)"

e2e=$root/tests/e2e
export CLIPVEIL_WINDOWS_BUILD=$build
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
# The guide's pictures come from a screen of known size with nothing else on it.
if ((docs)); then
    bash "$e2e/desktop-up.sh"
else
    bash "$e2e/desktop-up.sh" --prefer-user-display
fi
# shellcheck source=../tests/e2e/wine-env.sh
source "$e2e/wine-env.sh"
if ((docs)) && [[ -z ${XVFB_PID:-} ]]; then
    echo "demo: --docs needs a display of its own, and $DISPLAY is someone's; stop that desktop first" >&2
    exit 1
fi

work=$(mktemp -d)
player_pid=
clipveil_pid=
cleanup() {
    if [[ -n $clipveil_pid ]]; then
        "$CLIPVEIL_WINE" "$driver_exe" close >/dev/null 2>&1 || true
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
driver() { "$CLIPVEIL_WINE" "$driver_exe" "$@"; }

# The smallest rectangle around the named windows (see demo_driver geometry), with a margin,
# inside the screen: WxH+X+Y.
bounds() {
    local what g left=100000 top=100000 right=-100000 bottom=-100000 w h x y margin=2
    for what in "$@"; do
        g=$(driver geometry "$what" 2>/dev/null | tr -d '\r') || return 1
        [[ $g =~ ^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]] || return 1
        w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
        ((x < left)) && left=$x
        ((y < top)) && top=$y
        ((x + w > right)) && right=$((x + w))
        ((y + h > bottom)) && bottom=$((y + h))
    done
    left=$((left > margin ? left - margin : 0))
    top=$((top > margin ? top - margin : 0))
    right=$((right + margin))
    bottom=$((bottom + margin))
    echo "$((right - left))x$((bottom - top))+$left+$top"
}

# shot NAME [DOCS-NAME] [WINDOW...]: the whole screen, and the named windows cut out of it
# (the main window when none is named); in --docs runs the cut also goes to docs/images/.
shot() {
    local name=$1 docs_name=${2:-}
    shift 2 || shift $#
    (($#)) || set -- main
    command -v import >/dev/null || return 0
    import -display "$DISPLAY" -window root "$shots/desktop-$name.png" 2>/dev/null || return 0
    local geometry
    geometry=$(bounds "$@") || { echo "demo: no $* to cut $name.png from" >&2; return 0; }
    convert "$shots/desktop-$name.png" -crop "$geometry" +repage -strip "$shots/$name.png"
    echo "demo: screenshot build/demo/$name.png"
    if ((docs)) && [[ -n $docs_name ]]; then
        mkdir -p "$root/docs/images"
        # Few colours: an 8-bit palette keeps the committed pictures small.
        convert "$shots/$name.png" -strip -define png:exclude-chunks=date,time +dither -colors 256 \
            "$root/docs/images/$docs_name.png"
        echo "demo: guide picture docs/images/$docs_name.png"
    fi
}

# drag X Y DX DY: presses the left button at (X, Y), moves by (DX, DY) in steps, releases.
drag() {
    command -v xdotool >/dev/null || return 1
    local x=$1 y=$2 dx=$3 dy=$4 i steps=10
    # --sync waits for the pointer to arrive; bounded in case it is there already.
    timeout 5 xdotool mousemove --sync "$x" "$y" || xdotool mousemove "$x" "$y" || return 1
    xdotool mousedown 1 || return 1
    for ((i = 1; i <= steps; i++)); do
        sleep 0.05
        xdotool mousemove "$((x + dx * i / steps))" "$((y + dy * i / steps))"
    done
    sleep 0.2
    xdotool mouseup 1
}

# A compositor shows the overlay and see-through as the translucent windows they are.
compositor_pid=
if ((own_screen)) && command -v xcompmgr >/dev/null; then
    xcompmgr -d "$DISPLAY" >/dev/null 2>&1 &
    compositor_pid=$!
fi

echo "demo: starting Clipveil.exe on $DISPLAY"
(cd "$work" && exec "$CLIPVEIL_WINE" "$clipveil_exe" </dev/null >"$work/clipveil.log" 2>&1) &
clipveil_pid=$!
driver wait-window 30 || { echo "demo: Clipveil's window did not appear" >&2; exit 1; }
driver wait-status searching 10
shot 1-searching main-searching

echo "demo: starting the imitation player"
(cd "$work" && exec "$CLIPVEIL_WINE" "$player_exe" --class EVR --title "Clipveil demo player" --pos 40 300 420 330 \
    --report player.report </dev/null >"$work/player.log" 2>&1) &
player_pid=$!
for ((i = 0; i < 200; i++)); do
    grep -q '^ready' "$work/player.report" 2>/dev/null && break
    kill -0 "$player_pid" 2>/dev/null || { cat "$work/player.log" >&2; echo "demo: the player ended" >&2; exit 1; }
    sleep 0.1
done
echo "demo: player says: $(cat "$work/player.report" 2>/dev/null || echo 'nothing (not ready in 20 s)')"
echo "demo: what discovery finds:"
timeout 60 "$CLIPVEIL_WINE" "$demo_exe" --wait 10 || true

driver wait-status found 10
shot 2-found main-found
echo "demo: pressing 動画だけ"
driver click 1001
driver wait-clip 10 && echo "demo: the player is clipped to its video"
sleep 1
shot 3-video-only main-video-only
shot 5-player-clipped player-clipped video

if ((own_screen)); then
    echo "demo: pressing 設定 and choosing 50 %"
    driver post-click 1007
    if driver wait-setting 10; then
        sleep 0.5
        shot 6-setting setting-dialog main setting
        driver setting-ok 50
        sleep 0.5
    else
        echo "demo: the setting dialog did not open" >&2
    fi

    # Drag the video by its middle until it lies over the left part of the main window.
    if video=$(driver geometry video | tr -d '\r') && main=$(driver geometry main | tr -d '\r') &&
        [[ $video =~ ^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]]; then
        vw=${BASH_REMATCH[1]} vh=${BASH_REMATCH[2]} vx=${BASH_REMATCH[3]} vy=${BASH_REMATCH[4]}
        [[ $main =~ ^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]]
        mx=${BASH_REMATCH[3]} my=${BASH_REMATCH[4]}
        echo "demo: dragging the video over the main window"
        drag $((vx + vw / 2)) $((vy + vh / 2)) $((mx + 60 - vx)) $((my + 50 - vy)) ||
            echo "demo: the drag did not run" >&2
        sleep 0.5
        echo "demo: video now at $(driver geometry video | tr -d '\r')"
    fi

    echo "demo: ticking 透かし"
    driver click 1005
    driver wait-see-through 10 && echo "demo: the player is see-through"
    sleep 1
    shot 7-see-through player-see-through main video
fi

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
