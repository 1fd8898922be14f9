#!/usr/bin/env bash
# Checks the Windows program end to end under Wine with a display: a virtual X server and a fresh
# Wine prefix on Wine's X11 driver; in it first the front end's tests (ruz-win32-front-tests.exe),
# then the stand-in chat room (ruz-win32-room.exe, with the buddy list of its user "me"), ruz.exe
# on a folder of demo songs, and the check program (ruz-desktop-check.exe) as the user's hands: it
# answers the start-up question, finds the player at the top of the screen (its kept place, above
# the screen, brought onto it), finds the playlist's notice above the player with the focus (also
# after a click on it), reads the start-up line and the first announcement from the room, types
# .skip and reads the next one, sets a command word and uses it, loads a folder from the player's
# tree and finds its notice in front the same way, hides the player and shows it again, and ends
# it with .end.
#
# Usage: scripts/wine-desktop-check.sh [--screenshots DIR] [--build DIR]
#   --screenshots DIR  also takes pictures of the main window and the command-words window into
#                      DIR/win32-main-window.png and DIR/win32-ccoms-window.png (needs
#                      ImageMagick's import: scripts/install-deps.sh test --screenshots), with
#                      the windows framed by the openbox window manager
#   --build DIR        the Windows build folder (default build-win), cross-built first
# Needs xvfb, wine, the mingw-w64 compiler, sox and lame. Prints one closing line; exits 0 when
# every step passed.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
shots=""
build=build-win
while (($# > 0)); do
    case $1 in
        --screenshots) shots=${2:?--screenshots needs a folder}; shift ;;
        --build) build=${2:?--build needs a folder}; shift ;;
        -h | --help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
readonly KEPT_PLACE_ABOVE_SCREEN="600 -400"  # the player's frame corner, as the settings keep it

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

if ! timeout "$TESTS_TIMEOUT" wine "$build/ruz-win32-front-tests.exe" >"$work/tests.log" 2>&1; then
    tr -d '\r' <"$work/tests.log" | grep -E 'FAILED|Failure|error' >&2 || true
    echo "desktop check: FAIL in the front end's tests (ruz-win32-front-tests.exe)"
    exit 1
fi

timeout 400 wine "$build/ruz-win32-room.exe" --name "$USER_NAME" --dialog "$USER_NAME's Buddy List" \
    --quit-after "$ROOM_LIFETIME_MS" >"$work/room.log" 2>&1 &
room_pid=$!
songs=$(winepath -w "$work/songs")
timeout 400 wine "$build/ruz.exe" "$songs" >"$work/ruz.log" 2>&1 &
ruz_pid=$!

hold=()
[[ -n $shots ]] && hold=(--hold "$HOLD_MS")
timeout "$CHECK_TIMEOUT" wine "$build/ruz-desktop-check.exe" "${hold[@]}" "$USER_NAME" \
    >"$work/check.log" 2>&1 &
check_pid=$!
if [[ -n $shots ]]; then
    mkdir -p "$shots"
    while kill -0 "$check_pid" 2>/dev/null && ! grep -qs holding "$work/check.log"; do
        sleep 0.2
    done
    if grep -qs holding "$work/check.log"; then
        sleep 1
        main=$(xdotool search --onlyvisible --name 'Taviks Ruz - User' | head -n 1)
        words=$(xdotool search --onlyvisible --name '^Ccoms$' | head -n 1)
        [[ -n $main ]] && import -window "$main" "$shots/win32-main-window.png"
        [[ -n $words ]] && import -window "$words" "$shots/win32-ccoms-window.png"
        import -window root "$shots/win32-desktop.png"
    fi
fi
status=0
wait "$check_pid" || status=$?
tr -d '\r' <"$work/check.log" | grep -v '^holding$' || true
if ((status != 0)); then
    echo "ruz said:" >&2
    tail -n 10 "$work/ruz.log" >&2 || true
fi
exit "$status"
