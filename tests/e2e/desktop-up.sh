#!/usr/bin/env bash
# Brings up the desktop the Windows programs run on: an Xvfb display of our own (or, with
# --prefer-user-display, the caller's working $DISPLAY), the reused Wine prefix with its
# settings, and a persistent wineserver. Writes the state that wine-env.sh reads.
# Safe to run again: a live desktop is reused. Every wait is bounded.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

prefer_user_display=0
for arg in "$@"; do
    case $arg in
        --prefer-user-display) prefer_user_display=1 ;;
        *) echo "desktop-up: unknown option $arg" >&2; exit 2 ;;
    esac
done

user_display=${DISPLAY:-}
unset DISPLAY XVFB_PID KEEPER_PID
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
mkdir -p "$CLIPVEIL_WINDOWS_BUILD"
log_dir=$CLIPVEIL_WINDOWS_BUILD/e2e-logs
mkdir -p "$log_dir"

# One set-up at a time per build tree. Nothing started here may inherit the lock (9>&-).
exec 9>"$CLIPVEIL_WINDOWS_BUILD/e2e.lock"
flock -w 120 9 || { echo "desktop-up: lock busy" >&2; exit 1; }

display_answers() { timeout 5 xdpyinfo -display "$1" >/dev/null 2>&1; }

reuse=0
if [[ -n ${DISPLAY:-} ]] && display_answers "$DISPLAY"; then
    reuse=1  # a desktop from an earlier call is still up
elif [[ -f $E2E_STATE ]]; then
    echo "desktop-up: clearing a stale desktop"
    bash "$here/desktop-down.sh" >/dev/null 2>&1 || true
    unset DISPLAY XVFB_PID KEEPER_PID
fi

start_xvfb() {
    local n
    for ((n = 99; n < 200; n++)); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset \
            </dev/null >"$log_dir/xvfb.log" 2>&1 9>&- &
        XVFB_PID=$!
        disown "$XVFB_PID" 2>/dev/null || true
        local tries
        for ((tries = 0; tries < 100; tries++)); do
            if ! kill -0 "$XVFB_PID" 2>/dev/null; then break; fi  # lost a race for :n
            if display_answers ":$n"; then
                DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    done
    return 1
}

if ((reuse)); then
    echo "desktop-up: reusing display $DISPLAY"
elif ((prefer_user_display)) && [[ -n $user_display ]] && display_answers "$user_display"; then
    DISPLAY=$user_display
    XVFB_PID=
    echo "desktop-up: using display $DISPLAY"
else
    XVFB_PID=
    start_xvfb || { echo "desktop-up: no Xvfb display could be started" >&2; exit 1; }
    echo "desktop-up: Xvfb on $DISPLAY (pid $XVFB_PID)"
fi
export DISPLAY

# The prefix is made once and reused; the stamp says a full wineboot went through.
# Wine refuses a prefix that belongs to another user (a run without sudo, then one with it).
stamp=$WINEPREFIX/.clipveil-ready
if [[ -d $WINEPREFIX && $(stat -c %u "$WINEPREFIX") != "$EUID" ]]; then
    rm -f "$stamp"
fi
if [[ ! -f $stamp ]]; then
    echo "desktop-up: creating the Wine prefix $WINEPREFIX"
    timeout 10 wineserver -k 2>/dev/null 9>&- || true
    rm -rf "$WINEPREFIX"
    timeout 180 "$CLIPVEIL_WINE" wineboot -i </dev/null >"$log_dir/wineboot.log" 2>&1 9>&- || {
        cat "$log_dir/wineboot.log" >&2
        echo "desktop-up: wineboot failed" >&2
        exit 1
    }
    timeout 60 wineserver -w 9>&- || true  # the registry reaches the disk when the server ends
    touch "$stamp"
fi

# Keep the server between programs: each start is then fast.
# A server that is already running (and persistent) makes this a no-op that fails.
wineserver -p </dev/null >/dev/null 2>&1 9>&- || true

# Wine draws the caption buttons with its Marlett font; without it they show as "0", "1" and
# "r". Debian's fonts-wine has the font, but this Wine looks for its own fonts through a path
# it cannot open, and no other font of that name exists. Wine reads every font in the prefix's
# Fonts folder, where Windows keeps it too; copied on every start, so an older prefix has it.
marlett=/usr/share/wine/fonts/marlett.ttf
[[ -f $marlett ]] || { echo "desktop-up: $marlett is missing (tools/setup.sh installs fonts-wine)" >&2; exit 1; }
fonts_dir=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts_dir"
cmp -s "$marlett" "$fonts_dir/marlett.ttf" || cp "$marlett" "$fonts_dir/marlett.ttf"

# Managed=N: without a window manager Wine's own frames, captions and fast DestroyWindow.
# No LogPixels: every run starts at 100 %, also after a scaled test that did not end.
# The font replacements give Windows' Japanese fonts glyphs. The dialogs' font has a twin
# made with the same character widths, IPA P Gothic, so a label takes the room it takes on
# Windows; the others have none and take Noto Sans CJK JP. The list replaces the prefix's on
# every start, so a changed list holds in an existing prefix too. A .reg file in UTF-16LE
# carries the Japanese value names whatever the locale.
reg_file=$CLIPVEIL_WINDOWS_BUILD/e2e-settings.reg
{
    printf '\xff\xfe'
    printf '%s\r\n' \
        'Windows Registry Editor Version 5.00' \
        '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' \
        '"Managed"="N"' \
        '' \
        '[HKEY_CURRENT_USER\Control Panel\Desktop]' \
        '"LogPixels"=-' \
        '' \
        '[-HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"ＭＳ Ｐゴシック"="IPAPGothic"' \
        '"MS UI Gothic"="Noto Sans CJK JP"' \
        '"Tahoma"="Noto Sans CJK JP"' \
        '"MS Shell Dlg"="Noto Sans CJK JP"' \
        '"MS Shell Dlg 2"="Noto Sans CJK JP"' \
        '' | iconv -f UTF-8 -t UTF-16LE
} >"$reg_file"
# Wine sees the Unix file system as drive Z:.
timeout 60 "$CLIPVEIL_WINE" regedit /S "Z:${reg_file//\//\\}" </dev/null >"$log_dir/regedit.log" 2>&1 9>&- || {
    cat "$log_dir/regedit.log" >&2
    echo "desktop-up: importing the settings failed" >&2
    exit 1
}

# Wine closes a desktop a second after the last program on it has ended and makes it again
# for the next one, which can then fail to make its first window: the keeper stays on the
# desktop until desktop-down.sh ends the server. A tree built without the tests has none.
keeper=$CLIPVEIL_WINDOWS_BUILD/tests/e2e/desktop_keeper.exe
if [[ -f $keeper ]] && ! { [[ -n ${KEEPER_PID:-} ]] && kill -0 "$KEEPER_PID" 2>/dev/null; }; then
    ready=$log_dir/keeper.ready
    rm -f "$ready"
    "$CLIPVEIL_WINE" "$keeper" "Z:${ready//\//\\}" </dev/null >"$log_dir/keeper.log" 2>&1 9>&- &
    KEEPER_PID=$!
    disown "$KEEPER_PID" 2>/dev/null || true
    for ((tries = 0; tries < 300; tries++)); do
        [[ -e $ready ]] && break
        kill -0 "$KEEPER_PID" 2>/dev/null || break
        sleep 0.1
    done
    [[ -e $ready ]] || { cat "$log_dir/keeper.log" >&2; echo "desktop-up: the desktop keeper did not start" >&2; exit 1; }
fi

tmp_state=$E2E_STATE.tmp
printf 'DISPLAY=%q\nXVFB_PID=%q\nKEEPER_PID=%q\n' "$DISPLAY" "$XVFB_PID" "${KEEPER_PID:-}" >"$tmp_state"
mv "$tmp_state" "$E2E_STATE"
echo "desktop-up: ready ($WINEARCH prefix, $CLIPVEIL_WINE)"
