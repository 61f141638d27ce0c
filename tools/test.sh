#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: the native unit tests
# and the Windows programs under Wine. Ends with one line "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1

bash tools/setup.sh || { echo "test: setup failed" >&2; exit 1; }
bash tools/build.sh || { echo "test: build failed" >&2; echo "0 passed, 1 failed"; exit 1; }

logs=$(mktemp -d)
# A run cut short must not leave the test desktop behind.
trap 'bash tests/e2e/desktop-down.sh >/dev/null 2>&1 || true; rm -rf "$logs"' EXIT

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

# One shared Wine desktop: the Windows programs run one at a time.
run_ctest win32 --test-dir build/win32

echo "$passed passed, $failed failed"
((status == 0 && failed == 0))
