#!/usr/bin/env bash
# Builds the benchmark trees, runs every benchmark bounded in time and (re)writes
# docs/benchmarks.md with the figures, the machine and the commands.
#
#   tools/bench.sh [--quick] [--only sim|wine] [--wine-parts ticks,cpu,startup,hung]
#
# --quick       shorter runs (for checking the script, not for figures)
# --only        run one half; the other half's figures are left out of the file
# --wine-parts  which Wine measurements to run (default: all four)
#
# Trees: build/bench-native (unsanitized, -O2) and build/bench-win32 or -win64 (-O2), a Wine desktop
# of their own (tests/e2e/desktop-up.sh with CLIPVEIL_WINDOWS_BUILD=build/bench-win32, or
# build/bench-win64 where the x86_64 build is the one that runs), taken
# down at the end. Raw outputs stay in build/bench-results/; a part that is not run keeps
# its figures from the last run that did, and the file says when each part was measured.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

quick=0
only=all
wine_parts=ticks,cpu,startup,hung
while (($#)); do
    case $1 in
        --quick) quick=1 ;;
        --only) only=${2:?}; shift ;;
        --wine-parts) wine_parts=${2:?}; shift ;;
        *) echo "usage: tools/bench.sh [--quick] [--only sim|wine] [--wine-parts ticks,cpu,startup,hung]" >&2; exit 2 ;;
    esac
    shift
done

bash tools/setup.sh python3
# The Windows build this machine runs: i686 where Wine's 32-bit loader starts, else x86_64.
# shellcheck source=windows-builds.sh
source tools/windows-builds.sh
pick_windows_arches
arch=${windows_arches[0]}
echo "bench: the Windows programs are the $arch build ($windows_arch_reason)"

native=$root/build/bench-native
win=$root/build/bench-$([[ $arch == x86_64 ]] && echo win64 || echo win32)
results=$root/build/bench-results
mkdir -p "$results"
started=$(date -u '+%Y-%m-%d %H:%M UTC')

if ((quick)); then
    sim_min_time=0.05 cpu_seconds=10 startup_runs=5 rounds=1 hung_seconds=5
    declare -A tick_count=([1]=10 [20]=5 [100]=3)
else
    sim_min_time=0.5 cpu_seconds=60 startup_runs=15 rounds=5 hung_seconds=20
    declare -A tick_count=([1]=50 [20]=30 [100]=15)
fi
farm_children=20

# -O2 rather than CMake's -O3: GCC 12 reports a false -Wrestrict inside std::string at -O3.
opt=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DCLIPVEIL_BENCH=ON -DBUILD_TESTING=OFF)

build_native() {
    cmake -S . -B "$native" -G Ninja "${opt[@]}" -DCLIPVEIL_SANITIZE=OFF >"$results/configure-native.log"
    nice cmake --build "$native" --target sim_tick_bench -j2 >"$results/build-native.log"
}

build_win32() {
    cmake -S . -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(windows_toolchain "$arch")" "${opt[@]}" \
        >"$results/configure-win32.log"
    nice cmake --build "$win" -j2 --target Clipveil imitation_player demo_driver tick_bench tick_floor \
        window_farm floor_dialog startup_probe answer_probe >"$results/build-win32.log"
}

# ---- 1. the tick over the simulated desktop -------------------------------------------
run_sim() {
    echo "bench: tick over the simulated desktop"
    # The program's results go to standard error; its standard output is the null device.
    timeout 1800 "$native/bench/sim_tick_bench" --benchmark_min_time="$sim_min_time" \
        --benchmark_out="$results/sim.json" --benchmark_out_format=json 2>"$results/sim.txt"
    cat "$results/sim.txt"
}

# ---- Wine --------------------------------------------------------------------------------
export CLIPVEIL_WINDOWS_BUILD=$win
started_pids=()

stop_started() {
    local pid
    for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    started_pids=()
}

desktop_down() {
    stop_started
    bash tests/e2e/desktop-down.sh >/dev/null 2>&1 || true
}

# Starts a Windows program in the background; its pid (the Linux process that becomes the
# Windows one) is in $last_pid.
start_wine() {
    local log=$1
    shift
    "$CLIPVEIL_WINE" "$@" </dev/null >"$log" 2>&1 &
    last_pid=$!
    started_pids+=("$last_pid")
}

# Runs a Windows program to its end, bounded, with its output (CRs removed) in a file. Never
# through a pipe: a Wine service that the program starts would inherit the pipe and hold it
# open for as long as the wineserver lives.
run_windows() {
    local out=$1 limit=$2 rc=0
    shift 2
    timeout "$limit" "$CLIPVEIL_WINE" "$@" </dev/null >"$out.raw" 2>&1 || rc=$?
    tr -d '\r' <"$out.raw" >"$out"
    rm -f "$out.raw"
    return $rc
}

wait_file() {
    local file=$1 tries
    for ((tries = 0; tries < 200; tries++)); do
        [[ -s $file ]] && return 0
        sleep 0.1
    done
    echo "bench: $file did not appear" >&2
    return 1
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# ---- 2. search and tracking ticks: the engine against the floor -------------------------
run_ticks() {
    local n
    for n in 1 20 100; do
        echo "bench: ticks over $n window(s)"
        local player_report=$results/player-$n.ready farm_report=$results/farm-$n.ready
        rm -f "$player_report" "$farm_report"
        # The player first, then the farm on top of it: the search reaches the player last.
        start_wine "$results/player-$n.log" "$win/tools/player/imitation_player.exe" \
            --report "$(winpath "$player_report")"
        local player_pid=$last_pid
        wait_file "$player_report"
        local farm_pid=
        if ((n > 1)); then
            start_wine "$results/farm-$n.log" "$win/bench/farm/window_farm.exe" --windows $((n - 1)) \
                --children "$farm_children" --report "$(winpath "$farm_report")" --lifetime 900
            farm_pid=$last_pid
            wait_file "$farm_report"
        fi
        sleep 1
        local round server
        server=$(server_pid)
        asked_ticks() {
            local t
            t=$(cpu_ticks "$player_pid")
            [[ -z $farm_pid ]] || t=$((t + $(cpu_ticks "$farm_pid")))
            echo "$t"
        }
        for ((round = 1; round <= rounds; round++)); do
            for program in wine/tick_bench floor/tick_floor; do
                # What the others spend answering: the player and the farm (the programs asked)
                # and the wineserver, over the whole run (mostly its searching ticks).
                local others0 server0
                others0=$(asked_ticks)
                server0=$(cpu_ticks "$server")
                run_windows "$results/tick.out" 600 "$win/bench/$program.exe" --ticks "${tick_count[$n]}" || true
                sed "s/^/n=$n round=$round /" "$results/tick.out" | tee -a "$results/ticks.txt"
                echo "n=$n round=$round ${program##*/} run others_ticks=$(($(asked_ticks) - others0))" \
                    "server_ticks=$(($(cpu_ticks "$server") - server0)) hz=$(getconf CLK_TCK)" | tee -a "$results/ticks.txt"
            done
        done
        kill "$player_pid" ${farm_pid:+"$farm_pid"} 2>/dev/null || true
        started_pids=()
        sleep 1
    done
}

# ---- 3. CPU while idle -------------------------------------------------------------------
cpu_ticks() {  # utime + stime of a process, in clock ticks; 0 once it is gone
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
    stat=${stat##*) }  # past the command name, which may hold blanks
    # shellcheck disable=SC2086
    set -- $stat
    echo $((${12} + ${13}))
}

# The wineserver of this prefix.
server_pid() {
    local p
    for p in $(prefix_pids); do
        if [[ $(cat "/proc/$p/comm" 2>/dev/null) == wineserver* ]]; then echo "$p"; fi
    done | head -n 1
}

# Every process of this prefix (its environment names it), Wine's own services included.
prefix_pids() {
    local p
    for p in /proc/[0-9]*; do
        if { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "${p#/proc/}"; fi
    done
}

# Samples the CPU of Clipveil, the player, the wineserver, the X server and the rest of
# the prefix over $cpu_seconds; appends one line to cpu.txt.
sample_cpu() {
    local phase=$1 clip=$2 player=${3:-} server xvfb=${XVFB_PID:-}
    server=$(server_pid)
    local others=() p
    for p in $(prefix_pids); do
        [[ $p == "$clip" || $p == "$player" || $p == "$server" ]] && continue
        others+=("$p")
    done
    local -A before=()
    for p in "$clip" $player "$server" $xvfb "${others[@]}"; do before[$p]=$(cpu_ticks "$p"); done
    local t0 t1
    t0=$(date +%s.%N)
    sleep "$cpu_seconds"
    t1=$(date +%s.%N)
    local -A used=()
    for p in "${!before[@]}"; do used[$p]=$(($(cpu_ticks "$p") - before[$p])); done
    local other_sum=0
    for p in "${others[@]}"; do other_sum=$((other_sum + used[$p])); done
    local hz
    hz=$(getconf CLK_TCK)
    printf '%s seconds=%s hz=%s clipveil=%s player=%s wineserver=%s xvfb=%s others=%s\n' "$phase" \
        "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", b - a }')" "$hz" "${used[$clip]}" \
        "${player:+${used[$player]}}" "${used[$server]:-}" "${xvfb:+${used[$xvfb]}}" "$other_sum" |
        tee -a "$results/cpu.txt"
}

driver() { run_windows "$results/driver.out" 60 "$win/tools/demo/demo_driver.exe" "$@"; }

run_cpu() {
    echo "bench: CPU while idle, ${cpu_seconds} s per phase"
    # shellcheck disable=SC1091
    source tests/e2e/wine-env.sh
    sample_cpu baseline-no-clipveil 0
    start_wine "$results/clipveil.log" "$win/app/Clipveil.exe"
    local clip=$last_pid
    driver wait-window 30 || echo "bench: no main window seen" >&2
    driver wait-status searching 30 || echo "bench: the main window does not say it searches" >&2
    sleep 2
    sample_cpu searching "$clip"

    local player_report=$results/player-cpu.ready
    rm -f "$player_report"
    start_wine "$results/player-cpu.log" "$win/tools/player/imitation_player.exe" --report "$(winpath "$player_report")"
    local player=$last_pid
    wait_file "$player_report"
    driver wait-status found 30 || echo "bench: the player was not found" >&2
    sleep 2
    sample_cpu tracking "$clip" "$player"

    driver click 1001 || true  # "動画だけ"
    if driver wait-clip 30; then
        sleep 2
        sample_cpu clipped "$clip" "$player"
    else
        echo "bench: the player was not clipped; no clipped phase" | tee -a "$results/cpu.txt"
    fi
    driver close || true
    for ((i = 0; i < 100; i++)); do kill -0 "$clip" 2>/dev/null || break; sleep 0.1; done
    # The player alone: what it, the server and the X server cost without Clipveil.
    sleep 2
    sample_cpu player-without-clipveil 0 "$player"
    stop_started
}

# ---- 5. answering while a program hangs ------------------------------------------------------
run_hung() {
    echo "bench: the main window's answers while a program of 20 windows hangs"
    local farm_report=$results/farm-hung.ready
    rm -f "$farm_report"
    start_wine "$results/farm-hung.log" "$win/bench/farm/window_farm.exe" --windows 20 --children 10 \
        --report "$(winpath "$farm_report")" --hang 60 --lifetime 120
    wait_file "$farm_report"
    sleep 6  # hung for longer than the system's threshold, and still for the whole probe
    run_windows "$results/hung.txt" 120 "$win/bench/wine/answer_probe.exe" --seconds "$hung_seconds" || true
    cat "$results/hung.txt"
    stop_started
}

# ---- 4. start-up ---------------------------------------------------------------------------
run_startup() {
    echo "bench: start-up, $startup_runs runs each"
    run_windows "$results/startup.txt" 900 "$win/bench/wine/startup_probe.exe" --runs "$startup_runs" || true
    cat "$results/startup.txt"
}

run_wine() {
    trap desktop_down EXIT
    bash tests/e2e/desktop-up.sh >"$results/desktop-up.log" 2>&1 || { cat "$results/desktop-up.log" >&2; exit 1; }
    # shellcheck disable=SC1091
    source tests/e2e/wine-env.sh
    local part
    for part in ticks cpu startup hung; do
        if [[ ,$wine_parts, == *,$part,* ]]; then
            rm -f "$results/$part.txt"
            date -u '+%Y-%m-%d %H:%M UTC' >"$results/$part.when"
            "run_$part"
        fi
    done
    desktop_down
    trap - EXIT
}

if [[ $only != wine ]]; then
    echo "bench: building $native"
    build_native
fi
if [[ $only != sim ]]; then
    echo "bench: building $win"
    build_win32
fi
if [[ $only != wine ]]; then
    rm -f "$results/sim.txt" "$results/sim.json"
    date -u '+%Y-%m-%d %H:%M UTC' >"$results/sim.when"
    run_sim
fi
if [[ $only != sim ]]; then run_wine; fi

# ---- the report -----------------------------------------------------------------------------
{
    echo "started=$started"
    echo "finished=$(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "cpu_model=$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
    echo "cpus=$(nproc)"
    echo "ram=$(free -h | awk '/^Mem:/ { print $2 }')"
    echo "wine=$("${CLIPVEIL_WINE:-wine}" --version 2>/dev/null || echo unknown)"
    echo "windows_build=$arch"
    echo "windows_build_reason=$windows_arch_reason"
    echo "kernel=$(uname -r)"
    echo "gcc=$(gcc -dumpfullversion)"
    echo "mingw=$("$arch-w64-mingw32-g++-posix" -dumpfullversion)"
    echo "benchmark_lib=$(dpkg-query -W -f '${Version}' libbenchmark-dev 2>/dev/null || echo unknown)"
    echo "load=$(cut -d' ' -f1-3 /proc/loadavg)"
    echo "quick=$quick"
    echo "only=$only"
    echo "farm_children=$farm_children"
    echo "rounds=$rounds"
    echo "cpu_seconds=$cpu_seconds"
    echo "hz=$(getconf CLK_TCK)"
} >"$results/machine.txt"
python3 bench/report.py "$results" docs/benchmarks.md
echo "bench: wrote docs/benchmarks.md"
