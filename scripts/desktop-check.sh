#!/usr/bin/env bash
# Checks the desktop program end to end under a virtual X server: it starts `ruz` on a folder of
# demo songs beside the messenger stand-in, answers the start-up question, finds the main window
# and the chat room, types ".skip" into the room and reads the next song's announcement back from
# the room's transcript; it also checks that sound came out and that ".end" ends the program.
#
# Usage: scripts/desktop-check.sh [--no-sound] [--screenshots DIR] [--ruz PATH]
#   --no-sound         skip the sound check
#   --screenshots DIR  after the checks, also capture each window into DIR/*.png (needs
#                      ImageMagick's `import`)
#   --ruz PATH         the program to check (default: $RUZ_BIN, else build/src/ui/ruz, else
#                      build-ui/src/ui/ruz)
# Needs the Debian packages xvfb, xdotool, sox and lame (imagemagick for --screenshots).
# Exits 0 when every check passed; otherwise prints what failed and exits 1.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
check_sound=1
shots=""
ruz=${RUZ_BIN:-}
while (($# > 0)); do
    case $1 in
        --no-sound) check_sound=0 ;;
        --screenshots) shots=${2:?--screenshots needs a folder}; shift ;;
        --ruz) ruz=${2:?--ruz needs a path}; shift ;;
        -h | --help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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

tools=(Xvfb xdotool sox lame)
[[ -n $shots ]] && tools+=(import)
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: '$tool' is missing (apt-get install xvfb xdotool sox lame imagemagick)" >&2
        exit 1
    fi
done

# Timing, in tenths of a second for the polling loops.
readonly START_TIMEOUT=150      # the server, the first window
readonly STEP_TIMEOUT=100       # each later step
readonly POLL=0.1
readonly TYPE_DELAY_MS=30
readonly SOUND_BYTES=4000000    # how much of the sound file to look at

readonly USER_NAME=ruzcheck
readonly MAIN_TITLE="†- Taviks Ruz - User ($USER_NAME) -†"
readonly DIALOG_TITLE='^Taviks Ruz$'
readonly ROOM_TITLE='Chat Room'
# The demo songs in playlist order (the file list is alphabetical).

work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-desktop-check.XXXXXX")
xvfb_pid=""
ruz_pid=""
transcript=$work/transcript.txt
failed=0

cleanup() {
    if [[ -n $ruz_pid ]] && kill -0 "$ruz_pid" 2>/dev/null; then
        kill "$ruz_pid" 2>/dev/null || true
        wait "$ruz_pid" 2>/dev/null || true
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
mapfile -t TITLES < <("$repo/scripts/make-demo-songs.sh" "$work/songs") ||
    fail "could not make the demo songs"
((${#TITLES[@]} > 1)) || fail "the demo songs gave no titles"
ok "demo songs made in $work/songs"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
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

mkdir -m 700 "$work/runtime"
(
    cd "$work"
    exec env USER="$USER_NAME" LOGNAME="$USER_NAME" XDG_RUNTIME_DIR="$work/runtime" \
        QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk RUZ_TRANSCRIPT_DUMP="$transcript" \
        "$ruz" "$work/songs" >"$work/ruz.log" 2>&1
) &
ruz_pid=$!

has_question() { [[ -n $(windows_named "$DIALOG_TITLE") ]]; }
wait_for "$START_TIMEOUT" "the start-up question" has_question
ok "the start-up question is open"

main_shown() { [[ -n $(windows_named 'Taviks Ruz - User') ]]; }
answered_and_shown() { answer_dialogs || true; main_shown; }
wait_for "$STEP_TIMEOUT" "the main window after answering Yes" answered_and_shown
main=$(windows_named 'Taviks Ruz - User' | head -n 1)
name=$(xdotool getwindowname "$main")
[[ $name == "$MAIN_TITLE" ]] || fail "main window is titled '$name', expected '$MAIN_TITLE'"
ok "main window: $name"

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
