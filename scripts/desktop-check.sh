#!/usr/bin/env bash
# Checks the desktop program end to end under a virtual X server: it starts `ruz` on a folder of
# demo songs beside the messenger stand-in, answers the start-up question, finds the main window
# and the chat room, types ".skip" into the room and reads the next song's announcement back from
# the room's transcript; it also checks that sound came out and that ".end" ends the program.
#
# Usage: scripts/desktop-check.sh [--no-sound] [--mpris] [--wm openbox] [--starts N]
#                                 [--screenshots DIR] [--ruz PATH]
#   --no-sound         skip the sound check
#   --wm openbox       run the desktop under the openbox window manager (no notification area);
#                      by default there is no window manager at all
#   --starts N         first start the program N times (default 0): each start must announce the
#                      first song while the playlist's notice is still up (the one that says the
#                      chat sends are on: it has closed the one before it), above the player with
#                      the focus, and staying there when clicked; in the first start (under a
#                      window manager) .hide and .show hide the player and bring it back with the
#                      same notice alone in front, and another folder loads through Open Folder,
#                      with the same outcome as at the start; each start ends
#                      with .end, and the player's frame comes back where the last one left it;
#                      the other checks then run on a start of their own
#   --mpris            also drive the player through the desktop's media interface (MPRIS) with
#                      playerctl; run it inside a session bus: dbus-run-session -- scripts/...
#                      Without it the program runs with no session bus at all, and must say
#                      nothing about that
#   --screenshots DIR  after the checks, also capture each window into DIR/*.png (needs
#                      ImageMagick's `import`)
#   --ruz PATH         the program to check (default: $RUZ_BIN, else build/src/ui/ruz, else
#                      build-ui/src/ui/ruz)
# Needs the Debian packages xvfb, xdotool, x11-utils, sox and lame (imagemagick for --screenshots;
# playerctl, dbus-daemon and dbus-bin for --mpris; openbox for --wm openbox).
# Exits 0 when every check passed; otherwise prints what failed and exits 1.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
check_sound=1
check_mpris=0
window_manager=""
starts=0
shots=""
ruz=${RUZ_BIN:-}
while (($# > 0)); do
    case $1 in
        --no-sound) check_sound=0 ;;
        --mpris) check_mpris=1 ;;
        --wm) window_manager=${2:?--wm needs a window manager}; shift ;;
        --starts) starts=${2:?--starts needs a number}; shift ;;
        --screenshots) shots=${2:?--screenshots needs a folder}; shift ;;
        --ruz) ruz=${2:?--ruz needs a path}; shift ;;
        -h | --help) sed -n '2,31p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "desktop-check: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

if [[ -z $ruz ]]; then
    for candidate in "$repo/build/src/ui/ruz" "$repo/build-ui/src/ui/ruz"; do
        if [[ -x $candidate ]]; then
            ruz=$candidate
            break
        fi
    done
fi
if [[ -z $ruz || ! -x $ruz ]]; then
    echo "FAIL: no ruz program found (build with -DRUZ_BUILD_UI=ON, or pass --ruz PATH)" >&2
    exit 1
fi
ruz=$(cd "$(dirname "$ruz")" && pwd)/$(basename "$ruz")

[[ $starts =~ ^[0-9]+$ ]] || { echo "desktop-check: --starts needs a count" >&2; exit 2; }
[[ -z $window_manager || $window_manager == openbox ]] ||
    { echo "desktop-check: the window manager can be openbox only" >&2; exit 2; }
tools=(Xvfb xdotool xprop xwininfo sox lame)
[[ -n $shots ]] && tools+=(import)
[[ -n $window_manager ]] && tools+=("$window_manager")
((check_mpris)) && tools+=(playerctl dbus-monitor dbus-send)
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: '$tool' is missing (scripts/install-deps.sh test --screenshots)" >&2
        exit 1
    fi
done

# Timing, in tenths of a second for the polling loops.
readonly START_TIMEOUT=150      # the server, the first window
readonly STEP_TIMEOUT=100       # each later step
readonly ANSWER_TRIES=10        # Return pressed in the start-up question at most this often
readonly ANSWER_WAIT_TENTHS=20  # for the player after each press
readonly BUS_TIMEOUT=5          # seconds for one playerctl call
readonly POLL=0.1
readonly TYPE_DELAY_MS=30
readonly SOUND_BYTES=4000000    # how much of the sound file to look at

readonly USER_NAME=ruzcheck
readonly MAIN_TITLE="†- Taviks Ruz - User ($USER_NAME) -†"
readonly DIALOG_TITLE='^Taviks Ruz$'
readonly PICKER_TITLE='^ $'
readonly NOTICE_CLICK_INSET=12  # pixels into a notice from its corner: its text, not its button
readonly SETTLE=0.5             # seconds for a click to take effect
readonly LOAD_QUIET_POLLS=15    # polls with the same notices up: a folder load's build is over
readonly ROOM_TITLE='Chat Room'
# The demo songs in playlist order (the file list is alphabetical).

work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-desktop-check.XXXXXX")
xvfb_pid=""
wm_pid=""
ruz_pid=""
monitor_pid=""
transcript=$work/transcript.txt
failed=0

cleanup() {
    if [[ -n $monitor_pid ]]; then
        kill "$monitor_pid" 2>/dev/null || true
        wait "$monitor_pid" 2>/dev/null || true
    fi
    stop_ruz
    if [[ -n $wm_pid ]] && kill -0 "$wm_pid" 2>/dev/null; then
        kill "$wm_pid" 2>/dev/null || true
        wait "$wm_pid" 2>/dev/null || true
    fi
    if [[ -n $xvfb_pid ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if ((failed == 0)); then
        rm -rf "$work"
    else
        echo "      (files kept in $work)" >&2
    fi
}
stop_ruz() {
    if [[ -n $ruz_pid ]] && kill -0 "$ruz_pid" 2>/dev/null; then
        kill "$ruz_pid" 2>/dev/null || true
        wait "$ruz_pid" 2>/dev/null || true
    fi
    ruz_pid=""
}
trap cleanup EXIT

ok() { echo "ok:   $*"; }
fail() {
    failed=1
    echo "FAIL: $*" >&2
    if [[ -n ${DISPLAY:-} ]]; then
        echo "      windows shown:" >&2
        for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
            echo "        $w $(xdotool getwindowname "$w" 2>/dev/null)" >&2
        done
    fi
    if [[ -s $work/ruz.log ]]; then
        echo "      ruz said:" >&2
        tail -n 15 "$work/ruz.log" | sed 's/^/        /' >&2
    fi
    if [[ -s $transcript ]]; then
        echo "      room transcript (last lines):" >&2
        tail -n 8 "$transcript" | sed 's/^/        /' >&2
    fi
    exit 1
}

# The visible windows whose name matches a regular expression, one id a line.
windows_named() { timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

# wait_for TENTHS DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
wait_for() {
    local tenths=$1 what=$2
    shift 2
    for ((i = 0; i < tenths; i++)); do
        if "$@"; then
            return 0
        fi
        ruz_alive || fail "ruz ended while waiting for $what"
        sleep "$POLL"
    done
    fail "timed out waiting for $what"
}

ruz_alive() { [[ -n $ruz_pid ]] && kill -0 "$ruz_pid" 2>/dev/null; }

# Gives a window the keyboard focus (there is no window manager to do it).
focus() { timeout 3 xdotool windowfocus --sync "$1" 2>/dev/null || timeout 3 xdotool windowfocus "$1"; }

# Presses Return in every dialog box of the program that is open now; false when there was none.
answer_dialogs() {
    local any=1 w
    for w in $(windows_named "$DIALOG_TITLE" | tac); do
        focus "$w" || true
        timeout 3 xdotool key --clearmodifiers Return || true
        any=0
        sleep 0.3
    done
    return $any
}

# The room's lines come as "SENDER: MESSAGE", one a line (RUZ_TRANSCRIPT_DUMP).
transcript_has() { [[ -f $transcript ]] && grep -qxF -- "$1" "$transcript"; }
own_line_count() {
    [[ -f $transcript ]] || { echo 0; return; }
    grep -cxF -- "$USER_NAME: $1" "$transcript" || true
}

# The room's lines after the user's last line TEXT.
lines_after_own_line() {
    [[ -f $transcript ]] || return 0
    awk -v m="$USER_NAME: $1" '$0 == m { n = NR } { line[NR] = $0 }
        END { if (n) for (i = n + 1; i <= NR; i++) print line[i] }' "$transcript"
}

# The title of the last song announced ("†-ARTIST  -  TITLE - TIME - DATE-†"), or nothing.
last_announced() {
    local line title
    line=$(grep -F -- "$USER_NAME: †-" "$transcript" 2>/dev/null | tail -n 1 || true)
    for title in "${TITLES[@]}"; do
        if [[ $line == *"  $title - "* ]]; then
            echo "$title"
            return
        fi
    done
}

say() {
    local text=$1 room before attempt
    for ((attempt = 1; attempt <= 3; attempt++)); do
        room=$(windows_named "$ROOM_TITLE" | head -n 1)
        [[ -n $room ]] || fail "no chat-room window is shown"
        before=$(own_line_count "$text")
        focus "$room" || true
        timeout 5 xdotool key --clearmodifiers ctrl+a BackSpace
        timeout 10 xdotool type --clearmodifiers --delay "$TYPE_DELAY_MS" -- "$text"
        timeout 3 xdotool key --clearmodifiers Return
        for ((i = 0; i < 30; i++)); do
            if (($(own_line_count "$text") > before)); then
                return 0
            fi
            sleep "$POLL"
        done
    done
    fail "typing '$text' into the chat room did not post it"
}

# --- the session ------------------------------------------------------------------------------

ok "checking $ruz"
if ((check_mpris)); then
    [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] ||
        fail "--mpris needs a session bus: run it as dbus-run-session -- $0 --mpris ..."
    bus_env=()
else
    # No session bus at all: the program must run on without one, silently.
    bus_env=(-u DBUS_SESSION_BUS_ADDRESS)
fi
mapfile -t TITLES < <("$repo/scripts/make-demo-songs.sh" "$work/songs") ||
    fail "could not make the demo songs"
((${#TITLES[@]} > 1)) || fail "the demo songs gave no titles"
ok "demo songs made in $work/songs"

# No reset when the last client goes: the next start comes at once.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for ((i = 0; i < START_TIMEOUT; i++)); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep "$POLL"
done
[[ -s $work/display ]] || fail "Xvfb did not report its display"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
ok "virtual X server on $DISPLAY"

if [[ -n $window_manager ]]; then
    "$window_manager" >"$work/wm.log" 2>&1 &
    wm_pid=$!
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    for ((i = 0; i < START_TIMEOUT; i++)); do
        wm_running && break
        kill -0 "$wm_pid" 2>/dev/null || fail "$window_manager did not start: $(cat "$work/wm.log")"
        sleep "$POLL"
    done
    wm_running || fail "$window_manager did not take the screen"
    ok "window manager: $window_manager (no notification area)"
fi

mkdir -m 700 "$work/runtime"
start_ruz() {
    rm -f "$transcript"
    (
        cd "$work"
        exec env "${bus_env[@]}" USER="$USER_NAME" LOGNAME="$USER_NAME" \
            XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
            QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk \
            RUZ_TRANSCRIPT_DUMP="$transcript" "$ruz" "$work/songs" >"$work/ruz.log" 2>&1
    ) &
    ruz_pid=$!
}

has_question() { [[ -n $(windows_named "$DIALOG_TITLE") ]]; }
main_shown() { [[ -n $(windows_named 'Taviks Ruz - User') ]]; }
# The window with the keyboard focus, as a top-level window's id.
focused_window() {
    local id
    id=$(timeout 3 xdotool getwindowfocus 2>/dev/null) || return 0
    # Without a window manager the focus may sit on a child of the window.
    while [[ -n $id ]] && ! xprop -id "$id" WM_NAME 2>/dev/null | grep -q '='; do
        id=$(xwininfo -id "$id" -children 2>/dev/null | awk '/Parent window id:/ { print $4 }')
        [[ $id == 0x0 || -z $id ]] && return 0
        id=$((id))
    done
    echo "$id"
}
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | awk '/window id/ { print $NF }'; }
# The top-level windows in stacking order, the topmost last, as decimal ids of their client
# windows (a window manager's frames stand for the windows they hold).
stacking_order() {
    local list
    list=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -o '0x[0-9a-f]*') ||
        list=$(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ { print $1 }' | tac)
    for w in $list; do echo $((w)); done
}
# Whether window $1 stands above window $2.
above() {
    local order first second
    order=$(stacking_order)
    first=$(grep -nx "$1" <<<"$order" | cut -d: -f1)
    second=$(grep -nx "$2" <<<"$order" | cut -d: -f1)
    [[ -n $first && -n $second ]] && ((first > second))
}
minimised() { xprop -id "$1" _NET_WM_STATE WM_STATE 2>/dev/null | grep -Eq 'HIDDEN|Iconic'; }

# Presses Return in the start-up question $1 until the player shows: on a busy machine a window
# manager may hand the question the focus only after the key was sent, and the key is lost.
answer_question() {
    local question=$1 try step
    for ((try = 0; try < ANSWER_TRIES; try++)); do
        main_shown && return 0
        windows_named "$DIALOG_TITLE" | grep -qx "$question" || return 0
        focus "$question" || true
        # A key goes only to the question once it has the focus; after a few tries, anyway.
        if [[ $(focused_window) == "$question" ]] || ((try >= ANSWER_TRIES / 2)); then
            timeout 3 xdotool key --clearmodifiers Return || true
        fi
        for ((step = 0; step < ANSWER_WAIT_TENTHS; step++)); do
            main_shown && return 0
            sleep "$POLL"
        done
    done
}

# The top left corner of window $1's frame (its own corner without a window manager), as "X Y":
# the corner of its ancestor just below the root window.
frame_corner() {
    local id=$1 parent
    while parent=$(xwininfo -id "$id" -children 2>/dev/null | grep 'Parent window id:') &&
        [[ -n $parent && $parent != *"(the root window)"* ]]; do
        id=$(awk '{ print $4 }' <<<"$parent")
    done
    xwininfo -id "$id" 2>/dev/null |
        awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }'
}

# The one notice of the program that is up: above the player $2, with the focus, and still so
# after a click on its text. $1 names the moment for the messages.
one_notice_in_front() {
    local when=$1 player=$2 notices notice X Y
    # A search while a window goes may find nothing: it is asked again for a while.
    one_up() { notices=$(windows_named "$DIALOG_TITLE"); (($(wc -w <<<"$notices") == 1)); }
    wait_for "$STEP_TIMEOUT" "exactly one notice up, the newer having closed the older ($when)" one_up
    notice=$notices
    # Read again for a while: on a busy machine a reading of the window's properties may fail.
    owned() { [[ $(transient_for "$notice") == "$(printf '0x%x' "$player")" ]]; }
    wait_for "$STEP_TIMEOUT" "notice $notice transient for the player ($when)" owned
    notice_above() { above "$notice" "$player"; }
    wait_for "$STEP_TIMEOUT" "notice $notice above the player ($when)" notice_above
    focus_on_notice() { [[ $(focused_window) == "$notice" ]]; }
    wait_for "$STEP_TIMEOUT" "the focus on the notice ($when)" focus_on_notice
    # A click on the notice's text, away from its button, once the window manager has put it in
    # place: it stays in front with the focus.
    sleep "$SETTLE"
    eval "$(xdotool getwindowgeometry --shell "$notice" | grep -E '^[XY]=')"
    timeout 3 xdotool mousemove "$((X + NOTICE_CLICK_INSET))" "$((Y + NOTICE_CLICK_INSET))" click 1 ||
        fail "$when: could not click the notice"
    sleep "$SETTLE"
    windows_named "$DIALOG_TITLE" | grep -qx "$notice" || fail "$when: a click closed the notice"
    wait_for "$STEP_TIMEOUT" "the clicked notice above the player ($when)" notice_above
    wait_for "$STEP_TIMEOUT" "the focus on the clicked notice ($when)" focus_on_notice
}

# Loads folder $2 through Open Folder in player $1, once the notice up is answered.
open_folder() {
    local player=$1 folder=$2 picker
    answer_dialogs || true
    focus "$player" || true
    timeout 3 xdotool key --clearmodifiers ctrl+o
    picker_open() { picker=$(windows_named "$PICKER_TITLE" | head -n 1); [[ -n $picker ]]; }
    wait_for "$STEP_TIMEOUT" "the Open Folder picker" picker_open
    focus "$picker" || true
    timeout 10 xdotool type --clearmodifiers --delay "$TYPE_DELAY_MS" -- "$folder"
    timeout 3 xdotool key --clearmodifiers Return
    picker_closed() { [[ -z $(windows_named "$PICKER_TITLE") ]]; }
    wait_for "$STEP_TIMEOUT" "the picker to close on $folder" picker_closed
}

# Ends the program with .end, as a user does, so that it keeps its settings.
end_ruz() {
    say ".end"
    ended() { ! kill -0 "$ruz_pid" 2>/dev/null; }
    for ((i = 0; i < STEP_TIMEOUT; i++)); do
        ended && break
        sleep "$POLL"
    done
    ended || fail "ruz did not end after .end"
    wait "$ruz_pid" || fail "ruz ended with status $?"
    ruz_pid=""
}

# One start: answers the question only; the player comes up shown and normal, the playlist's
# notice is above it with the focus, and the first song is announced while it is still up.
first_song_while_notices_up() {
    local run=$1 main player_id before
    start_ruz
    wait_for "$START_TIMEOUT" "the start-up question (start $run)" has_question
    local question
    question=$(windows_named "$DIALOG_TITLE" | head -n 1)
    answer_question "$question"
    find_player() { main=$(windows_named 'Taviks Ruz - User' | head -n 1); [[ -n $main ]]; }
    wait_for "$STEP_TIMEOUT" "the main window (start $run)" find_player
    announced() { [[ -n $(last_announced) ]]; }
    wait_for "$STEP_TIMEOUT" "the first song's announcement with the notice up (start $run)" announced
    minimised "$main" && fail "start $run: the player is minimised"
    player_id=$main
    one_notice_in_front "start $run" "$player_id"
    corners+=("$(frame_corner "$player_id")")
    start_announced=$(last_announced)
    if ((run == 1)) && [[ -n $window_manager ]]; then
        # The player hidden with .hide (minimised: there is no notification area) and back with
        # .show: the notice stays up or goes with the player, and comes back with it the same
        # one, alone; no other comes meanwhile.
        before=$(windows_named "$DIALOG_TITLE")
        say ".hide"
        player_away() { minimised "$player_id" || ! main_shown; }
        wait_for "$STEP_TIMEOUT" "the player hidden by .hide (start $run)" player_away
        local up
        up=$(windows_named "$DIALOG_TITLE")
        [[ -z $up || $up == "$before" ]] || fail "while the player is hidden the notices up are $up, not $before"
        say ".show"
        player_back() { main_shown && ! minimised "$player_id"; }
        wait_for "$STEP_TIMEOUT" "the player back after .show (start $run)" player_back
        same_notice() { [[ $(windows_named "$DIALOG_TITLE") == "$before" ]]; }
        wait_for "$STEP_TIMEOUT" "the notice back alone after .show" same_notice
        one_notice_in_front "start $run, after .hide and .show" "$player_id"
    fi
    if ((run == 1)); then
        before=$(windows_named "$DIALOG_TITLE")
        open_folder "$player_id" "$work/songs2"
        new_notice_up() {
            local up
            up=$(windows_named "$DIALOG_TITLE")
            [[ -n $up && $up != "$before" ]] && (($(wc -w <<<"$up") == 1))
        }
        wait_for "$STEP_TIMEOUT" "a notice after the folder load" new_notice_up
        # The build's second notice has closed its first when no notice has come for a while.
        local quiet=0 last=""
        load_settled() {
            local up
            up=$(windows_named "$DIALOG_TITLE")
            if [[ $up != "$last" ]]; then
                last=$up
                quiet=0
                return 1
            fi
            quiet=$((quiet + 1))
            ((quiet >= LOAD_QUIET_POLLS))
        }
        wait_for "$STEP_TIMEOUT" "the folder load's notices to settle" load_settled
        one_notice_in_front "start $run, after Open Folder" "$player_id"
    fi
    end_ruz
}

if ((starts > 0)); then
    cp -r "$work/songs" "$work/songs2"
    corners=()
    for ((run = 1; run <= starts; run++)); do
        first_song_while_notices_up "$run"
    done
    for ((run = 2; run <= starts; run++)); do
        [[ ${corners[run - 1]} == "${corners[0]}" ]] ||
            fail "start $run: the player's frame stood at ${corners[run - 1]}, the first start's at ${corners[0]}"
    done
    ok "$starts starts: each announced '$start_announced' with one notice up, above the player with the focus, also when clicked and after Open Folder; the player's frame stayed at ${corners[0]}"
fi

start_ruz
wait_for "$START_TIMEOUT" "the start-up question" has_question
ok "the start-up question is open"

answered_and_shown() { answer_dialogs || true; main_shown; }
wait_for "$STEP_TIMEOUT" "the main window after answering Yes" answered_and_shown
main=$(windows_named 'Taviks Ruz - User' | head -n 1)
name=$(xdotool getwindowname "$main")
[[ $name == "$MAIN_TITLE" ]] || fail "main window is titled '$name', expected '$MAIN_TITLE'"
minimised "$main" && fail "the main window starts minimised"
ok "main window: $name, shown and not minimised"

room=$(windows_named "$ROOM_TITLE" | head -n 1)
[[ -n $room ]] || fail "no chat-room window is shown"
ok "chat room: $(xdotool getwindowname "$room")"

transcript_has "$USER_NAME: †- Loads Taviks Ruz -†" ||
    wait_for "$STEP_TIMEOUT" "the start-up announcement" \
        transcript_has "$USER_NAME: †- Loads Taviks Ruz -†"
ok "the room heard the start-up announcement"

# Loading the folder shows two notices (chat sends off while the title list is built, then on
# again); once both are answered the first song plays and is announced.
readonly QUIET_POLLS=10
quiet=0
settled() {
    if answer_dialogs || [[ -z $(last_announced) ]]; then
        quiet=0
        return 1
    fi
    # No dialog for a second: the first song's announcement has had its turn.
    quiet=$((quiet + 1))
    ((quiet >= QUIET_POLLS))
}
wait_for "$STEP_TIMEOUT" "the playlist's notices and the first announcement" settled
current=$(last_announced)
ok "playlist loaded; announced: $current"

expected=""
for ((k = 0; k < ${#TITLES[@]} - 1; k++)); do
    [[ ${TITLES[k]} == "$current" ]] && expected=${TITLES[k + 1]}
done
[[ -n $expected ]] || fail "the last song ($current) is playing already; nothing comes next"

say ".skip"
ok "typed .skip into the room"
announced_next() { lines_after_own_line ".skip" | grep -qF -- "$USER_NAME: †-" &&
    [[ $(last_announced) == "$expected" ]]; }
wait_for "$STEP_TIMEOUT" "the announcement of '$expected' after .skip" announced_next
ok "the room heard the next song announced: $expected"

if [[ -n $window_manager ]]; then
    # Minimised by the user, then ".show": the player is back in front.
    timeout 3 xdotool windowminimize "$main" || true
    is_minimised() { minimised "$main" || ! main_shown; }
    wait_for "$STEP_TIMEOUT" "the player minimised" is_minimised
    say ".show"
    back_in_front() { main_shown && ! minimised "$main"; }
    wait_for "$STEP_TIMEOUT" "the player back after .show" back_in_front
    ok ".show brought the minimised player back"
fi

if ((check_sound)); then
    sound=$work/sdlaudio.raw
    has_sound() { [[ -s $sound ]] && (($(head -c "$SOUND_BYTES" "$sound" | tr -d '\0' | wc -c) > 0)); }
    wait_for "$STEP_TIMEOUT" "sound in $sound (SDL's disk output)" has_sound
    ok "sound came out ($(stat -c %s "$sound") bytes so far, not silent)"
fi

if [[ -n $shots ]]; then
    mkdir -p "$shots"
    say ".help"
    ccoms_shown() { [[ -n $(windows_named '^Ccoms$') ]]; }
    wait_for "$STEP_TIMEOUT" "the Ccoms window after .help" ccoms_shown
    sleep 0.5
    capture() { import -window "$1" "$shots/$2.png" && ok "screenshot $shots/$2.png"; }
    capture "$(windows_named 'Taviks Ruz - User' | head -n 1)" main-window
    capture "$(windows_named '^Ccoms$' | head -n 1)" ccoms
    capture "$(windows_named "$ROOM_TITLE" | head -n 1)" chat-room
    capture "$(windows_named 'Buddy List' | head -n 1)" buddy-list
    import -window root "$shots/desktop.png" && ok "screenshot $shots/desktop.png"
fi

# --- the desktop's media interface ------------------------------------------------------------

readonly PLAYER=taviks_ruz
signals=$work/signals.txt
pctl() { timeout "$BUS_TIMEOUT" playerctl -p "$PLAYER" "$@" 2>/dev/null; }
listed() { timeout "$BUS_TIMEOUT" playerctl -l 2>/dev/null | grep -qx "$PLAYER"; }
status_is() { [[ $(pctl status) == "$1" ]]; }
title_is() { [[ $(pctl metadata xesam:title) == "$1" ]]; }
# volume_near GAIN: the player's volume is GAIN, to a thousandth.
volume_near() { awk -v v="$(pctl volume)" -v w="$1" 'BEGIN { d = v - w; exit !(v != "" && d * d < 1e-6) }'; }
announcements_of() { { grep -oF -- "  $1 - " "$transcript" 2>/dev/null || true; } | wc -l; }
more_announcements_of() { (($(announcements_of "$1") > $2)); }
# How often the player announced a change of property NAME to a value matching PATTERN.
changes_of() {
    awk -v name="\"$1\"" -v pattern="$2" '
        /member=PropertiesChanged/ { inside = 1; next }
        /^signal / { inside = 0 }
        inside && $1 == "string" && $2 == name { want = 1; next }
        want { if ($0 ~ pattern) n++; want = 0 }
        END { print n + 0 }' "$signals"
}
more_changes_of() { (($(changes_of "$1" "$2") > $3)); }
seeked_to() { grep -A1 'member=Seeked' "$signals" | grep -qx "   int64 $1"; }
next_title() {
    local k
    for ((k = 0; k < ${#TITLES[@]} - 1; k++)); do
        [[ ${TITLES[k]} == "$1" ]] && echo "${TITLES[k + 1]}"
    done
    return 0
}

mpris_checks() {
    local current=$1 following before start elapsed length url status gain shown property value

    wait_for "$STEP_TIMEOUT" "the player on the session bus" listed
    ok "playerctl sees the player $PLAYER"
    dbus-monitor --session "type='signal',path='/org/mpris/MediaPlayer2'" >"$signals" 2>&1 &
    monitor_pid=$!
    monitor_ready() { grep -q 'member=NameAcquired' "$signals" 2>/dev/null; }
    wait_for "$STEP_TIMEOUT" "the bus monitor" monitor_ready

    wait_for "$STEP_TIMEOUT" "PlaybackStatus Playing" status_is Playing
    wait_for "$STEP_TIMEOUT" "the title '$current' in the metadata" title_is "$current"
    length=$(pctl metadata mpris:length)
    url=$(pctl metadata xesam:url)
    [[ $length =~ ^[0-9]+$ ]] && ((length >= 10000000 && length <= 20000000)) ||
        fail "mpris:length is '$length', expected the song's 12 to 16 s in microseconds"
    [[ $url == file://*/songs/*"${current// /%20}.mp3" ]] || fail "xesam:url is '$url'"
    [[ -n $(pctl metadata xesam:artist) ]] || fail "no xesam:artist"
    ok "metadata: '$current', $length µs, $url"

    # Next: the selection moves and the room hears the next song announced.
    following=$(next_title "$current")
    [[ -n $following ]] || fail "'$current' is the last song; nothing comes next"
    before=$(announcements_of "$following")
    start=$(date +%s%N)
    pctl next || fail "playerctl next failed"
    wait_for "$STEP_TIMEOUT" "the announcement of '$following' after playerctl next" \
        more_announcements_of "$following" "$before"
    elapsed=$((($(date +%s%N) - start) / 1000000))
    ok "playerctl next: the room heard '$following' announced (${elapsed} ms after the call)"
    wait_for "$STEP_TIMEOUT" "the title '$following' in the metadata" title_is "$following"
    ok "metadata follows: '$following'"

    # Volume, through the engine's hundredths of a decibel and back.
    for row in "0.5 0.500035" "0.1 0.1" "1 1" "0 0" "0.25 0.250035"; do
        read -r gain shown <<<"$row"
        pctl volume "$gain" || fail "playerctl volume $gain failed"
        wait_for "$STEP_TIMEOUT" "volume $shown after setting $gain" volume_near "$shown"
    done
    ok "volume round trip: 0.5, 0.1, 1, 0, 0.25 came back as set (to the engine's 0.01 dB)"
    # A write of the wrong type is refused and changes nothing.
    refusal=$(timeout "$BUS_TIMEOUT" dbus-send --session --print-reply \
        --dest="org.mpris.MediaPlayer2.$PLAYER" /org/mpris/MediaPlayer2 \
        org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player \
        string:Volume variant:string:loud 2>&1) && fail "the player took a string for its Volume"
    [[ $refusal == *org.freedesktop.DBus.Error.InvalidArgs* ]] ||
        fail "Volume set to a string answered '$refusal', expected InvalidArgs"
    volume_near 0.250035 || fail "Volume set to a string changed the volume to $(pctl volume)"
    ok "Volume set to a string: refused with InvalidArgs, the volume kept"

    # A property is announced only when it really changes: setting the same volume again says
    # nothing, the pause that follows is announced (and so has been seen after it).
    before=$(changes_of Volume 'double')
    pctl volume 0.25 || fail "playerctl volume 0.25 failed"
    status=$(changes_of PlaybackStatus '"Paused"')
    pctl pause || fail "playerctl pause failed"
    wait_for "$STEP_TIMEOUT" "PlaybackStatus Paused announced" \
        more_changes_of PlaybackStatus '"Paused"' "$status"
    (($(changes_of Volume 'double') == before)) ||
        fail "setting the volume it already had announced a change"
    (($(changes_of PlaybackStatus '"Paused"') == status + 1)) ||
        fail "one pause announced PlaybackStatus Paused more than once"
    status_is Paused || fail "status is '$(pctl status)', expected Paused"
    ok "PlaybackStatus Paused announced once; an unchanged volume announced nothing"
    pctl play || fail "playerctl play failed"
    wait_for "$STEP_TIMEOUT" "PlaybackStatus Playing" status_is Playing
    ok "PlaybackStatus Playing after playerctl play"

    # Repeat and Shuffle are the window's boxes.
    for row in "loop Track Track" "loop None Playlist" "shuffle On On" "shuffle Off Off"; do
        read -r property value shown <<<"$row"
        pctl "$property" "$value" || fail "playerctl $property $value failed"
        is_shown() { [[ $(pctl "$property") == "$shown" ]]; }
        wait_for "$STEP_TIMEOUT" "$property $shown after setting $value" is_shown
    done
    ok "loop Track and None, shuffle On and Off came back as set"

    # Seeking: the position moves and Seeked says where to.
    pctl position 3 || fail "playerctl position 3 failed"
    wait_for "$STEP_TIMEOUT" "Seeked to 3 s" seeked_to 3000000
    ok "playerctl position 3: Seeked to 3000000 µs, position now $(pctl position)"

    pctl stop || fail "playerctl stop failed"
    wait_for "$STEP_TIMEOUT" "PlaybackStatus Stopped" status_is Stopped
    ok "PlaybackStatus Stopped after playerctl stop"
}

if ((check_mpris)); then
    mpris_checks "$expected"
else
    grep -qi 'dbus' "$work/ruz.log" && fail "without a session bus the program said: $(grep -i dbus "$work/ruz.log" | head -n 1)"
    ok "no session bus: the program runs on and says nothing about it"
fi

say ".end"
ended() { ! kill -0 "$ruz_pid" 2>/dev/null; }
for ((i = 0; i < STEP_TIMEOUT; i++)); do
    ended && break
    sleep "$POLL"
done
ended || fail "ruz did not end after .end"
wait "$ruz_pid" && status=0 || status=$?
ruz_pid=""
((status == 0)) || fail "ruz ended with status $status"
ok "ruz ended after .end"

echo "desktop check passed"
