#!/usr/bin/env bash
# Checks the Windows program end to end under Wine with a display: a virtual X server and a fresh
# Wine prefix on Wine's X11 driver; in it first the front end's tests (ruz-win32-front-tests.exe),
# then the stand-in chat room (ruz-win32-room.exe, with the buddy list of its user "me"), ruz.exe
# on a folder of demo songs, and the check program (ruz-desktop-check.exe) as the user's hands,
# all of them on a screen of 96 and again on one of 192 dots an inch: it answers the start-up
# question, finds the player at the top of the screen (its kept place, above the screen, brought
# onto it), finds the playlist's notice above the player with the focus, reads the start-up line and the first announcement from the room, types .skip and reads the
# next one, types .skip by keys into the room's input box and sees it in the room's transcript box
# and obeyed, finds the room's buttons labelled, sets a command word and uses it, finds the four
# windows side by side, the player and the command-words window inside the screen's work area (at
# 192 dots an inch from places kept off the screen) and every part of the player inside it, finds
# the folder picker at the player's folder, loads a folder from the player's tree and finds its
# notice in front the same way, hides the player and shows it again, ends it with .end and leaves
# the room with its Leave button. Where ruz.exe finds no sound device, a notice must have said so.
# Then ruz.exe alone (no messenger running): the check finds its own room and the Windows user's
# buddy list, types .skip into the room by keys and hears the next song, posts a line as another
# member, finds the windows side by side, and ends the player with .end typed into its room.
#
# Usage: scripts/wine-desktop-check.sh [--screenshots DIR] [--build DIR]
#   --screenshots DIR  also takes pictures of the main window and the command-words window into
#                      DIR/win32-main-window.png and DIR/win32-ccoms-window.png (needs
#                      ImageMagick's import: scripts/install-deps.sh test --screenshots), with
#                      the windows framed by the openbox window manager; those at 192 dots an
#                      inch as DIR/win32-main-window-192dpi.png and so on
#   --build DIR        the Windows build folder (default build-win), cross-built first
# Needs xvfb, wine, the mingw-w64 compiler, sox and lame. Prints the check program's closing line
# for each density; exits 0 when every step passed.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
shots=""
build=build-win
while (($# > 0)); do
    case $1 in
        --screenshots) shots=${2:?--screenshots needs a folder}; shift ;;
        --build) build=${2:?--build needs a folder}; shift ;;
        -h | --help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "wine-desktop-check: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}" xvfb sox lame

readonly DISPLAY_NUMBER=${RUZ_WINE_DISPLAY:-97}
readonly CHECK_TIMEOUT=300   # seconds for the whole check program
readonly TESTS_TIMEOUT=120   # seconds for the front end's tests
readonly HOLD_MS=8000        # the windows stay this long for their pictures
readonly ROOM_LIFETIME_MS=400000
readonly USER_NAME=me
readonly KEPT_PLACE_ABOVE_SCREEN="620 -400"  # the player's frame corner, as the settings keep it

ruz_cross_build "$build" ruz ruz-win32-room ruz-desktop-check ruz-win32-front-tests
build=$(cd "$build" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-wine-desktop.XXXXXX")
xvfb_pid=""
wm_pid=""
room_pid=""
ruz_pid=""
cleanup() {
    for pid in $ruz_pid $room_pid $wm_pid; do
        kill "$pid" 2>/dev/null || true
    done
    if [[ -n ${WINEPREFIX:-} ]]; then
        ruz_wine_cleanup
    fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

scripts/make-demo-songs.sh "$work/songs" >/dev/null
# A folder below the songs' with songs of its own, for a folder load from the player's tree.
mkdir "$work/songs/more"
cp "$work/songs/"*.mp3 "$work/songs/more/"

Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$DISPLAY_NUMBER ]] && break
    sleep 0.1
done

if [[ -n $shots ]]; then
    openbox >"$work/wm.log" 2>&1 &
    wm_pid=$!
fi

# A fresh prefix on the X11 driver (the null driver shows nothing to take pictures of).
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/ruz-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
timeout 180 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w
# The player's place kept from a last run with its title bar above the screen: it comes back onto
# the screen's work area.
appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Roaming' ! -path '*/Public/*' | head -n 1)
[[ -n $appdata ]] || { echo "desktop check: FAIL, no AppData\\Roaming in the Wine prefix"; exit 1; }
mkdir -p "$appdata/Taviks Ruz"
printf 'taviks-ruz settings 1\nplace.FrmAmp=%s\n' "$KEPT_PLACE_ABOVE_SCREEN" >"$appdata/Taviks Ruz/settings"

# The front end's tests on a screen of each density (the windows take theirs at start).
for dpi in 96 192; do
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" \
        /f >/dev/null 2>&1
    timeout 60 wineserver -w
    if ! timeout "$TESTS_TIMEOUT" wine "$build/ruz-win32-front-tests.exe" >"$work/tests.log" 2>&1; then
        tr -d '\r' <"$work/tests.log" | grep -E 'FAILED|Failure|error' >&2 || true
        echo "desktop check: FAIL in the front end's tests (ruz-win32-front-tests.exe) at $dpi dpi"
        exit 1
    fi
done

# One run of the player as a user meets it: the room, ruz.exe on the demo songs and the check
# program, on a screen of $1 dots an inch (set in the prefix before they start); with
# --screenshots, pictures of its windows named with suffix $2.
run_player() {
    local dpi=$1 suffix=$2
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" \
        /f >/dev/null 2>&1
    timeout 60 wineserver -w
    timeout 400 wine "$build/ruz-win32-room.exe" --name "$USER_NAME" --buddy-list \
        --quit-after "$ROOM_LIFETIME_MS" >"$work/room.log" 2>&1 &
    room_pid=$!
    timeout 400 wine "$build/ruz.exe" "$songs" >"$work/ruz.log" 2>&1 &
    ruz_pid=$!

    local hold=()
    [[ -n $shots ]] && hold=(--hold "$HOLD_MS")
    timeout "$CHECK_TIMEOUT" wine "$build/ruz-desktop-check.exe" "${hold[@]}" "$USER_NAME" \
        >"$work/check.log" 2>&1 &
    local check_pid=$!
    if [[ -n $shots ]]; then
        mkdir -p "$shots"
        while kill -0 "$check_pid" 2>/dev/null && ! grep -qs holding "$work/check.log"; do
            sleep 0.2
        done
        if grep -qs holding "$work/check.log"; then
            sleep 1
            local main words
            main=$(xdotool search --onlyvisible --name 'Taviks Ruz - User' | head -n 1)
            words=$(xdotool search --onlyvisible --name '^Ccoms$' | head -n 1)
            [[ -n $main ]] && import -window "$main" "$shots/win32-main-window$suffix.png"
            [[ -n $words ]] && import -window "$words" "$shots/win32-ccoms-window$suffix.png"
            import -window root "$shots/win32-desktop$suffix.png"
        fi
    fi
    local status=0
    wait "$check_pid" || status=$?
    if ((status != 0)); then
        kill "$ruz_pid" 2>/dev/null || true
    fi
    echo "at $dpi dpi:"
    tr -d '\r' <"$work/check.log" | grep -v '^holding$' || true
    # Where no sound device opens, the player says so where its user sees it, not only on stderr.
    if grep -qa '^No sound device could be opened' "$work/ruz.log" &&
        ! tr -d '\r' <"$work/check.log" | grep -q '^notice: No sound device could be opened'; then
        echo "desktop check: FAIL at $dpi dpi: no notice said that no sound device opened"
        status=1
    fi
    if ((status != 0)); then
        echo "ruz said:" >&2
        tail -n 10 "$work/ruz.log" >&2 || true
    fi
    wait "$ruz_pid" 2>/dev/null || true
    kill "$room_pid" 2>/dev/null || true
    wait "$room_pid" 2>/dev/null || true
    ruz_pid="" room_pid=""
    timeout 60 wineserver -w
    return "$status"
}

songs=$(winepath -w "$work/songs")
# The usual screen, then a dense one that leaves the player less room than its design asks for
# (1280x800 at 192 dots an inch is 640x400 at the usual density).
run_player 96 ""
# The places the first run kept, moved onto a screen that is not there: the next start brings the
# windows back onto this one.
settings=$(find "$WINEPREFIX/drive_c/users" -path '*/Taviks Ruz/settings' | head -n 1)
if [[ -z $settings ]]; then
    echo "desktop check: FAIL: the first run kept no settings"
    exit 1
fi
sed -i 's/^place\.FrmAmp=.*/place.FrmAmp=5000 -3000/; s/^place\.Ccoms=.*/place.Ccoms=-4000 -4000/' \
    "$settings"
run_player 192 "-192dpi"

# ruz.exe alone: no messenger is running, so it opens the stand-in's own buddy list and room.
status=0
timeout 400 wine "$build/ruz.exe" "$songs" >"$work/ruz-alone.log" 2>&1 &
ruz_pid=$!
timeout "$CHECK_TIMEOUT" wine "$build/ruz-desktop-check.exe" --own-room \
    >"$work/check-alone.log" 2>&1 || status=$?
tr -d '\r' <"$work/check-alone.log"
if ((status != 0)); then
    echo "ruz said:" >&2
    tail -n 10 "$work/ruz-alone.log" >&2 || true
fi
exit "$status"
