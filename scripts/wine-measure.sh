#!/usr/bin/env bash
# Measures the Windows program under Wine beside a bare Win32 program that asks the same start-up
# question in a message box and does nothing else (ruz-bare-box.exe), in one run, in a fresh
# prefix with the null graphics driver, both stripped of debugging information as they ship:
#   - launch to the start-up question: from just before the process is created to its window
#     existing, found by ruz-window-watch polling the top-level windows every millisecond; one
#     launch of each to warm up, then LAUNCHES of each, interleaved, medians;
#   - the working set at idle: VmRSS of each Wine process, both at their question;
#   - CPU at idle over SECONDS (default 60), side by side: utime + stime of each Wine process.
# Until win32/ builds ruz.exe, the stand-in chat room (ruz-win32-room.exe, its room window) is
# measured in its place. Prints a table with the goals: start-up at most 1.25 times the bare
# program's, idle CPU at most 0.1 % of a core above it, working set at most twice its.
# Usage: scripts/wine-measure.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/wine-measure.sh [SECONDS]" >&2; exit 2; }
build=${RUZ_WIN_BUILD_DIR:-build-win}
readonly LAUNCHES=10
readonly WINDOW_TIMEOUT_MS=30000
# Seconds from the windows being up to measuring idle.
readonly IDLE_SETTLE=5
# The period of the player's position refresh, which ticks from start to end.
readonly REFRESH_MS=50
readonly START_GOAL=1.25 MEMORY_GOAL=2 CPU_GOAL_PERCENT=0.1
# The whole run is bounded, whatever hangs.
if [[ -z ${RUZ_MEASURE_TIMED:-} ]]; then
  RUZ_MEASURE_TIMED=1 exec timeout $((seconds + 600)) "$0" "$@"
fi

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}"
timeout 300 cmake -S win32 -B "$build" -DRUZ_WARNINGS_AS_ERRORS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
# The start-up question: a message box with the program's caption and the question as its text.
question=('#32770' 'Taviks Ruz' 'Are you using messenger:mate?')
# The program and the window it answers with: ruz.exe's start-up question, or the room's window.
if ruz_win_has_target "$build" ruz; then
  measured=ruz measured_window=("${question[@]}")
else
  measured=ruz-win32-room measured_window=(AIM_ChatWnd '*' '*')
fi
ruz_cross_build "$build" "$measured" ruz-bare-box ruz-window-watch
ruz_fresh_wine_prefix
work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-measure.XXXXXX")
trap 'ruz_wine_cleanup; rm -rf "$work"' EXIT
trap 'exit 124' TERM

# Both programs as they ship: without the build's debugging information, which would swell the
# working set under Wine.
for exe in "$measured" ruz-bare-box; do
  x86_64-w64-mingw32-strip -o "$work/$exe.exe" "$build/$exe.exe"
done
watch=$(winepath -w "$build/ruz-window-watch.exe")
bare=$(winepath -w "$work/ruz-bare-box.exe")
program=$(winepath -w "$work/$measured.exe")

# Starts the program $2 through the watcher and waits for its window ($3, $4, $5: the window's
# class, caption and a child's text; $6 and on: the program's arguments); then ends it ($1 "end")
# or leaves it running ("keep").
# Prints the milliseconds to the window. The watcher's output goes to a file: a pipe would stay
# open in the program it starts.
launch() {
  local out=$work/watch.out rc=0 keep=()
  [[ $1 == keep ]] && keep=(--keep)
  timeout 90 wine "$watch" "${keep[@]}" --timeout "$WINDOW_TIMEOUT_MS" --text "$5" "$3" "$4" "$2" "${@:6}" \
    >"$out" 2>&1 || rc=$?
  local said
  said=$(tr -d '\r' <"$out" | tail -n 1)
  if ((rc != 0)) || [[ $said != "window after "* ]]; then
    echo "wine-measure: $2: $said (exit status $rc)" >&2
    exit 1
  fi
  awk '{ print $3 }' <<<"$said"
}
median() { sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

# --- launch to the question ---------------------------------------------------------------------
launch end "$bare" "${question[@]}" >/dev/null
launch end "$program" "${measured_window[@]}" >/dev/null
: >"$work/bare.ms"
: >"$work/program.ms"
for ((i = 0; i < LAUNCHES; i++)); do
  launch end "$bare" "${question[@]}" >>"$work/bare.ms"
  launch end "$program" "${measured_window[@]}" >>"$work/program.ms"
done
timeout 60 wineserver -w
bare_start=$(median <"$work/bare.ms")
program_start=$(median <"$work/program.ms")

# --- idle, side by side -------------------------------------------------------------------------
# The Linux process of a program of this prefix, by the name its command line starts with.
unix_pid() {
  local pid exe
  for pid in $(pgrep -f -- "$1" || true); do
    exe=$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1)
    [[ ${exe##*[\\/]} == "$1" ]] || continue
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    echo "$pid"
    return 0
  done
  echo "wine-measure: no process $1 in this prefix" >&2
  exit 1
}
launch keep "$bare" "${question[@]}" >/dev/null
launch keep "$program" "${measured_window[@]}" >/dev/null
# Beside them, a copy of the bare box whose thread timer ticks as often as the player's position
# refresh (every 50 ms, from start to end): what that tick alone costs under Wine.
cp "$work/ruz-bare-box.exe" "$work/ruz-bare-tick.exe"
launch keep "$(winepath -w "$work/ruz-bare-tick.exe")" "${question[@]}" "$REFRESH_MS" >/dev/null
tick_pid=$(unix_pid ruz-bare-tick.exe)
bare_pid=$(unix_pid ruz-bare-box.exe)
program_pid=$(unix_pid "$measured.exe")
sleep "$IDLE_SETTLE"
ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
bare_rss=$(rss_kib "$bare_pid")
program_rss=$(rss_kib "$program_pid")
bare_before=$(cpu_ticks "$bare_pid")
program_before=$(cpu_ticks "$program_pid")
tick_before=$(cpu_ticks "$tick_pid")
sleep "$seconds"
bare_idle=$(($(cpu_ticks "$bare_pid") - bare_before))
program_idle=$(($(cpu_ticks "$program_pid") - program_before))
tick_idle=$(($(cpu_ticks "$tick_pid") - tick_before))

percent() { awk -v d="$1" -v t="$ticks_per_second" -v s="$seconds" 'BEGIN { printf "%.3f", 100 * d / t / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "met" : "missed" }'; }
start_ratio=$(ratio "$program_start" "$bare_start")
memory_ratio=$(ratio "$program_rss" "$bare_rss")
bare_cpu=$(percent "$bare_idle")
program_cpu=$(percent "$program_idle")
tick_cpu=$(percent "$tick_idle")
cpu_above=$(awk -v a="$program_cpu" -v b="$bare_cpu" 'BEGIN { printf "%+.3f", a - b }')

cat <<TABLE
| measure under Wine | $measured.exe | bare message box | comparison | goal |
|---|---|---|---|---|
| launch to the start-up question (median of $LAUNCHES) | ${program_start} ms | ${bare_start} ms | ${start_ratio}× | ≤ ${START_GOAL}×: $(verdict "$start_ratio" "$START_GOAL") |
| working set at idle (VmRSS) | $((program_rss / 1024)) MiB | $((bare_rss / 1024)) MiB | ${memory_ratio}× | ≤ ${MEMORY_GOAL}×: $(verdict "$memory_ratio" "$MEMORY_GOAL") |
| CPU at idle over ${seconds} s, side by side | ${program_cpu} % of a core | ${bare_cpu} % of a core | ${cpu_above} % | ≤ +${CPU_GOAL_PERCENT} %: $(verdict "$cpu_above" "$CPU_GOAL_PERCENT") |
| CPU at idle, the bare box with a ${REFRESH_MS} ms timer | | ${tick_cpu} % of a core | $(awk -v a="$tick_cpu" -v b="$bare_cpu" 'BEGIN { printf "%+.3f", a - b }') % | (the refresh timer's own cost) |
TABLE
