#!/usr/bin/env bash
# Runs Clipveil.exe through a whole session (shell_e2e's start-to-end test) and checks that it
# left no file behind: the prefix's drive_c, the test's working directory and the program's
# directory list the same before and after, and nothing named "dev" or "nul" appeared
# (standard output goes to "/dev/nul", which must reach the null device).
# Usage: writes-no-file.sh shell_e2e.exe program-dir
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_program=$1
program_dir=$2
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"

# Symbolic links are listed, not followed: Wine links the profile's folders to $HOME.
listing() {
    find -P "$WINEPREFIX/drive_c" "$PWD" "$program_dir" -printf '%p %y %s %T@\n' 2>/dev/null | sort -u
}

before=$(listing)
dev_nul_before=$([[ -e /dev/nul ]] && echo yes || echo no)
bash "$here/wine-run.sh" "$test_program" --gtest_filter=ClipveilProgram.RunsStartToEndWithTheAboutBoxAndASecondStart
rc=$?
after=$(listing)

status=0
if ((rc != 0)); then
    echo "writes-no-file: the session itself failed ($rc)" >&2
    status=1
fi
if [[ $before != "$after" ]]; then
    echo "writes-no-file: files changed during the session:" >&2
    diff <(echo "$before") <(echo "$after") >&2
    status=1
fi
if [[ $dev_nul_before == no && -e /dev/nul ]]; then
    echo "writes-no-file: /dev/nul was created" >&2
    status=1
fi
strays=$(find -P "$WINEPREFIX/drive_c" "$PWD" "$program_dir" \( -iname dev -o -iname nul \) -print 2>/dev/null)
if [[ -n $strays ]]; then
    echo "writes-no-file: found $strays" >&2
    status=1
fi
((status == 0)) && echo "writes-no-file: nothing written"
exit $status
