#!/usr/bin/env bash
# Installs what is missing, builds the trees and runs every test: the native unit tests, the
# fuzzers and the Windows programs under Wine, on the Windows build(s) this machine runs
# (tools/windows-builds.sh; CLIPVEIL_WINDOWS_ARCH forces i686, x86_64 or both). Ends with
# one line "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1

bash tools/setup.sh || { echo "test: setup failed" >&2; exit 1; }
# shellcheck source=windows-builds.sh
source tools/windows-builds.sh
pick_windows_arches || { echo "0 passed, 1 failed"; exit 1; }
echo "test: the Windows suite runs on ${windows_arches[*]}: $windows_arch_reason"
bash tools/build.sh || { echo "test: build failed" >&2; echo "0 passed, 1 failed"; exit 1; }

logs=$(mktemp -d)
# A run cut short must not leave a test desktop behind.
desktops_down() {
    local arch
    for arch in i686 x86_64; do
        CLIPVEIL_WINDOWS_BUILD=$(windows_tree "$arch") bash tests/e2e/desktop-down.sh >/dev/null 2>&1 || true
    done
}
trap 'desktops_down; rm -rf "$logs"' EXIT

passed=0
failed=0
status=0

run_ctest() {
    local name=$1
    shift
    echo "test: $name"
    ctest "$@" --output-on-failure --timeout "${CLIPVEIL_TEST_TIMEOUT:-300}" 2>&1 | tee "$logs/$name.log"
    local rc=${PIPESTATUS[0]}
    local line total bad
    # "100% tests passed, 0 tests failed out of 12"
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$name.log" | tail -n 1 || true)
    if [[ -n $line ]]; then
        bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
        total=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    elif ((rc != 0)); then
        failed=$((failed + 1))
    fi
    ((rc == 0)) || status=1
}

run_ctest native --test-dir build/native --parallel 2

# The libFuzzer targets (their own clang tree, build/fuzz): each target's run is one test.
run_fuzz() {
    echo "test: fuzz"
    bash tools/fuzz.sh "${CLIPVEIL_FUZZ_SECONDS:-10}" 2>&1 | tee "$logs/fuzz.log"
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$logs/fuzz.log" | tail -n 1 || true)
    if [[ -n $line ]]; then
        passed=$((passed + $(sed -E 's/^([0-9]+) passed.*/\1/' <<<"$line")))
        failed=$((failed + $(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")))
    elif ((rc != 0)); then
        failed=$((failed + 1))
    fi
    ((rc == 0)) || status=1
}
run_fuzz

# One shared Wine desktop per build: the Windows programs run one at a time.
for arch in "${windows_arches[@]}"; do
    lean=()
    if [[ $arch != "${windows_arches[0]}" ]] && ((windows_lean_second)); then
        lean=(-LE long)
        echo "test: $arch leaves out its long tests (label long): they ran on ${windows_arches[0]}"
    fi
    tree=$(windows_tree "$arch")
    echo "test: the Windows suite on the $arch build, in ${tree#"$root"/}"
    run_ctest "windows-$arch" --test-dir "$tree" "${lean[@]}"
done
# The product is checked from its file even where it cannot run.
if [[ " ${windows_arches[*]} " != *" i686 "* ]]; then
    echo "test: the i686 programs cannot run here; their checks that need no Wine (label nowine) run"
    run_ctest i686-file-checks --test-dir "$(windows_tree i686)" -L nowine
fi

echo "$passed passed, $failed failed"
((status == 0 && failed == 0))
