#!/usr/bin/env bash
# Measures the desktop program beside a bare Qt Widgets program that asks the same start-up
# question, both under one virtual X server in the same run:
#   - launch to the start-up question's window being mapped, 10 launches of each, interleaved,
#     medians (timed by build/src/ui/ruz-launch-timer from the X server's map notification);
#   - resident memory at idle: the bare program at its question, `ruz` with its windows up, the
#     demo songs loaded and stopped (and the sound device let go);
#   - CPU over SECONDS (default 60) at idle, both side by side, from /proc;
#   - CPU while playing (SDL's dummy output);
#   - the media-key round trip: `playerctl next` until the room shows the next song's
#     announcement, median of 5 (inside its own session bus).
# Prints the README's table.
#
# Usage: scripts/measure-desktop.sh [SECONDS]
# Needs a build with the desktop program (scripts/build.sh, or RUZ_BUILD=DIR) and xvfb, xdotool,
# sox, lame, playerctl and dbus-daemon.
set -euo pipefail
if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} ]] && command -v dbus-run-session >/dev/null; then
    exec dbus-run-session -- "$0" "$@"
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${RUZ_BUILD:-$repo/build}
ruz=$build/src/ui/ruz
bare=$build/src/ui/ruz-bare-window
timer=$build/src/ui/ruz-launch-timer
readonly LAUNCHES=10
readonly ROUND_TRIPS=5
readonly POLL=0.01
readonly QUESTION='Taviks Ruz'
# Seconds from stopping to measuring idle: past the 5 s after which the sound device is let go.
readonly IDLE_SETTLE=8

for program in "$ruz" "$bare" "$timer"; do
    [[ -x $program ]] || { echo "measure-desktop: $program is missing; build first" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-measure.XXXXXX")
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n ${KEEP:-} ]] || rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for ((i = 0; i < 500; i++)); do [[ -s $work/display ]] && break; sleep "$POLL"; done
export DISPLAY=":$(head -n 1 "$work/display")"
# Settings kept by earlier runs play no part: each run keeps its own.
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config
# The songs sit in the build folder: the folder tree watches the folders it shows, and the system's
# temporary folder is busy with other programs' files.
songs=$build/measure-songs
"$repo/scripts/make-demo-songs.sh" "$songs" >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }
ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
percent() { awk -v d="$1" -v t="$ticks_per_second" -v s="$seconds" 'BEGIN { printf "%.2f %%", 100 * d / t / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f×", a / b }'; }

# --- launch to the question ---------------------------------------------------------------------
: >"$work/bare.ms"
: >"$work/ruz.ms"
for ((i = 0; i < LAUNCHES; i++)); do
    "$timer" "$QUESTION" 0 "$bare" | awk '{ print $1 }' >>"$work/bare.ms"
    "$timer" "$QUESTION" 0 "$ruz" "$songs" 2>/dev/null | awk '{ print $1 }' >>"$work/ruz.ms"
done
bare_start=$(median <"$work/bare.ms")
ruz_start=$(median <"$work/ruz.ms")

# --- idle, side by side -------------------------------------------------------------------------
# The program's own windows whose name matches (the bare program asks the same question).
windows_named() { xdotool search --all --pid "$ruz_pid" --onlyvisible --name "$1" 2>/dev/null || true; }
answer_all() {
    local w
    for w in $(windows_named "^$QUESTION\$" | tac); do
        xdotool windowfocus --sync "$w" 2>/dev/null || true
        xdotool key --clearmodifiers Return
        sleep 0.3
    done
}
say() {
    local room
    room=$(windows_named 'Chat Room' | head -n 1)
    xdotool windowfocus --sync "$room" 2>/dev/null || xdotool windowfocus "$room"
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --clearmodifiers --delay 20 -- "$1"
    xdotool key --clearmodifiers Return
}
transcript=$work/transcript.txt

"$bare" >/dev/null 2>&1 &
bare_pid=$!
pids+=("$bare_pid")
RUZ_TRANSCRIPT_DUMP=$transcript "$ruz" "$songs" >"$work/ruz.log" 2>&1 &
ruz_pid=$!
pids+=("$ruz_pid")
sleep 2
for ((i = 0; i < 3; i++)); do
    answer_all
    sleep 1
done
say ".stop"
sleep "$IDLE_SETTLE"
bare_rss=$(rss_kib "$bare_pid")
ruz_rss=$(rss_kib "$ruz_pid")
bare_before=$(cpu_ticks "$bare_pid")
ruz_before=$(cpu_ticks "$ruz_pid")
sleep "$seconds"
bare_idle=$(($(cpu_ticks "$bare_pid") - bare_before))
ruz_idle=$(($(cpu_ticks "$ruz_pid") - ruz_before))
kill "$bare_pid"

say ".resume"
sleep 2
ruz_before=$(cpu_ticks "$ruz_pid")
sleep "$seconds"
ruz_play=$(($(cpu_ticks "$ruz_pid") - ruz_before))

# --- the media-key round trip -------------------------------------------------------------------
round_trip="— (playerctl missing)"
if command -v playerctl >/dev/null; then
    # The demo songs' announcements: "Artist  -  Title - TIME - DATE" (the labels keep the blanks).
    announcements() { { grep -oF -- '  -  ' "$transcript" 2>/dev/null || true; } | wc -l; }
    : >"$work/mpris.ms"
    for ((i = 0; i < ROUND_TRIPS; i++)); do
        before=$(announcements)
        start=$(date +%s%N)
        playerctl -p taviks_ruz next
        for ((t = 0; t < 1000; t++)); do
            (($(announcements) > before)) && break
            sleep "$POLL"
        done
        echo $((($(date +%s%N) - start) / 1000000)) >>"$work/mpris.ms"
        sleep 0.7
    done
    round_trip="$(median <"$work/mpris.ms") ms (median of $ROUND_TRIPS; the title pick-up looks every 500 ms)"
fi

cat <<TABLE
| measure | ruz | bare Qt Widgets program | ratio |
|---|---|---|---|
| launch to the start-up question mapped (median of $LAUNCHES) | ${ruz_start} ms | ${bare_start} ms | $(ratio "$ruz_start" "$bare_start") |
| resident memory at idle | $((ruz_rss / 1024)) MiB | $((bare_rss / 1024)) MiB | $(ratio "$ruz_rss" "$bare_rss") |
| CPU at idle over ${seconds} s, side by side | $(percent "$ruz_idle") of a core | $(percent "$bare_idle") of a core | |
| CPU while playing (SDL's dummy output) | $(percent "$ruz_play") of a core | — | |
| \`playerctl next\` to the announcement in the room | ${round_trip} | — | |
TABLE
