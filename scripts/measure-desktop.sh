#!/usr/bin/env bash
# Measures the desktop program beside a bare Qt Widgets window, both under a virtual X server:
# the time from start to the first window (for `ruz`, the start-up question), CPU while idle
# (timers running, nothing playing), CPU while playing, and resident memory.
#
# Usage: scripts/measure-desktop.sh [SECONDS]   (each CPU sample lasts SECONDS, default 20)
# Needs a build with the desktop program (scripts/build.sh, or RUZ_BUILD=DIR) and xvfb, xdotool,
# sox, lame.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=${RUZ_BUILD:-$repo/build}
ruz=$build/src/ui/ruz
bare=$build/src/ui/ruz-bare-window
readonly POLL=0.01

work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-measure.XXXXXX")
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for ((i = 0; i < 500; i++)); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep "$POLL"; done
# The songs sit in the build folder: the folder tree watches the folders it shows, and the system's
# temporary folder is busy with other programs' files.
songs=$build/measure-songs
"$repo/scripts/make-demo-songs.sh" "$songs" >/dev/null

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
# cpu_percent PID: the share of one core the process used over the next $seconds seconds.
cpu_percent() {
    local before after
    before=$(cpu_ticks "$1")
    sleep "$seconds"
    after=$(cpu_ticks "$1")
    awk -v d=$((after - before)) -v t="$ticks_per_second" -v s="$seconds" \
        'BEGIN { printf "%.2f %%", 100 * d / t / s }'
}
# first_window NAME PID: milliseconds until a window named NAME is shown.
first_window() {
    local start=$2 now
    while ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do sleep "$POLL"; done
    now=$(date +%s%N)
    echo $(((now - start) / 1000000))
}
say() {
    local room
    room=$(xdotool search --onlyvisible --name 'Chat Room' | head -n 1)
    xdotool windowfocus --sync "$room" 2>/dev/null || xdotool windowfocus "$room"
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --clearmodifiers --delay 20 -- "$1"
    xdotool key --clearmodifiers Return
}
answer_all() {
    local w
    for w in $(xdotool search --onlyvisible --name '^Taviks Ruz$' 2>/dev/null | tac); do
        xdotool windowfocus --sync "$w" 2>/dev/null || true
        xdotool key --clearmodifiers Return
        sleep 0.3
    done
}

# The bare window.
start=$(date +%s%N)
"$bare" >/dev/null 2>&1 &
bare_pid=$!
pids+=("$bare_pid")
bare_start=$(first_window '^Bare Qt window$' "$start")
sleep 2
bare_cpu=$(cpu_percent "$bare_pid")
bare_rss=$(rss_kib "$bare_pid")
kill "$bare_pid"

# The player: to the question box, idle after ".stop", playing after ".resume".
start=$(date +%s%N)
SDL_AUDIODRIVER=dummy "$ruz" "$songs" >"$work/ruz.log" 2>&1 &
ruz_pid=$!
pids+=("$ruz_pid")
ruz_start=$(first_window '^Taviks Ruz$' "$start")
sleep 1
answer_all
sleep 2
answer_all
sleep 2
answer_all
say ".stop"
sleep 2
idle_cpu=$(cpu_percent "$ruz_pid")
say ".resume"
sleep 2
play_cpu=$(cpu_percent "$ruz_pid")
ruz_rss=$(rss_kib "$ruz_pid")

cat <<TABLE
| measure | ruz | bare Qt Widgets window |
|---|---|---|
| start to the first window | ${ruz_start} ms (the start-up question) | ${bare_start} ms |
| CPU, idle (timers running, nothing playing) | ${idle_cpu} of a core | ${bare_cpu} of a core |
| CPU while playing (SDL's dummy output) | ${play_cpu} of a core | — |
| resident memory | $((ruz_rss / 1024)) MiB | $((bare_rss / 1024)) MiB |
TABLE
