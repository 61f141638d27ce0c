# shellcheck shell=bash
# Sourced by the build, test, demo and benchmark scripts: which Windows builds exist and which
# of them this machine can run under Wine.
#
# i686 is the product and is always built. Its programs need Wine's 32-bit loader, a 32-bit
# Linux program, which does not start where the kernel's 32-bit emulation is off. There the
# same sources build for x86_64 and run under wine64, in a 64-bit prefix of their own.
#
# CLIPVEIL_WINDOWS_ARCH forces the Windows build(s) the tests and the demo run on:
#   i686, x86_64, or both (tests only; the demo runs the first). Unset, the machine decides:
#   i686 where Wine's 32-bit loader starts (in CI, the x86_64 build as well), else x86_64.

# The tree, toolchain file and Wine architecture of one build.
windows_tree() { echo "$root/build/$([[ $1 == x86_64 ]] && echo win64 || echo win32)"; }
windows_toolchain() { echo "$root/cmake/$1-w64-mingw32.cmake"; }

# Whether Wine's 32-bit loader starts here (it is a 32-bit Linux program).
wine32_runs() {
    [[ -x /usr/lib/wine/wine ]] && timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Sets windows_arches (the builds to run, in order), windows_arch_reason, and
# windows_lean_second=1 when the second build is to leave out its long tests (label "long").
pick_windows_arches() {
    windows_arches=()
    windows_lean_second=0
    case ${CLIPVEIL_WINDOWS_ARCH:-} in
        i686 | x86_64)
            windows_arches=("$CLIPVEIL_WINDOWS_ARCH")
            windows_arch_reason="CLIPVEIL_WINDOWS_ARCH=$CLIPVEIL_WINDOWS_ARCH"
            ;;
        both)
            windows_arches=(i686 x86_64)
            windows_arch_reason="CLIPVEIL_WINDOWS_ARCH=both"
            ;;
        '')
            if wine32_runs && [[ -n ${CI:-} ]]; then
                # CI tries the x86_64 build too, all but its longest tests, to stay well
                # within its time.
                windows_arches=(i686 x86_64)
                windows_lean_second=1
                windows_arch_reason="Wine's 32-bit loader runs here, and CI runs the x86_64 build too"
            elif wine32_runs; then
                windows_arches=(i686)
                windows_arch_reason="Wine's 32-bit loader runs here"
            else
                windows_arches=(x86_64)
                windows_arch_reason="Wine's 32-bit loader does not start here (no 32-bit programs); wine64 runs the x86_64 build"
            fi
            ;;
        *)
            echo "CLIPVEIL_WINDOWS_ARCH must be i686, x86_64 or both, not '$CLIPVEIL_WINDOWS_ARCH'" >&2
            return 1
            ;;
    esac
}
