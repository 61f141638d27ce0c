#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build/fuzz (simulated desktop,
# ASan + UBSan) and runs each from its seed corpus for the given seconds (default 20).
# Inputs that add coverage go to build/fuzz/corpus/<target>; a crash or a broken invariant
# leaves its input in build/fuzz/artifacts/. Ends with one line "N passed, N failed".
#   tools/fuzz.sh [seconds-per-target]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1

seconds=${1:-20}
build=build/fuzz
targets=(fuzz_codepage fuzz_version fuzz_trans_dlg)

fail_all() {
    echo "fuzz: $1" >&2
    echo "0 passed, ${#targets[@]} failed"
    exit 1
}

[[ $seconds =~ ^[1-9][0-9]*$ ]] || fail_all "seconds per target must be a whole number, not '$seconds'"
mkdir -p build
command -v clang++-14 >/dev/null || fail_all "clang++-14 is missing (tools/setup.sh installs it)"
# -O1 with line tables: quick to build, fast enough to run, stacks that name the lines.
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= \
    -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" -DCLIPVEIL_FUZZ=ON -DBUILD_TESTING=OFF \
    >"$build.configure.log" 2>&1 || { cat "$build.configure.log" >&2; fail_all "configure failed"; }
cmake --build "$build" --target fuzz_targets -j2 || fail_all "build failed"

mkdir -p "$build/artifacts"
passed=0
failed=0
for target in "${targets[@]}"; do
    work=$build/corpus/$target
    mkdir -p "$work"
    log=$build/$target.log
    # The first directory takes the new inputs; the committed seeds stay as they are.
    timeout $((seconds + 60)) "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=1024 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1
    rc=$?
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo '?')
    if ((rc == 0)); then
        echo "fuzz: $target passed ($runs runs in ${seconds} s)"
        passed=$((passed + 1))
    else
        echo "fuzz: $target FAILED (exit $rc); the end of $log:"
        tail -n 40 "$log"
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
((failed == 0))
