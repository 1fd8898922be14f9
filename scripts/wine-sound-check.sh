#!/usr/bin/env bash
# Every sample is heard on Windows: ruz-play-through.exe (win32/, cross-built with mingw-w64) plays
# the 10 s test song through the engine and the waveOut device in a fresh Wine prefix, whose sound
# goes to a file (Wine's ALSA driver on ALSA's file plugin, in front of its null device: no sound
# card or sound server needed); the same program then compares that file with the decoder's
# samples: as many frames of sound as the decoder gives, each sample the same (Wine passes the
# song's rate and 16-bit samples through unchanged). ruz-waveout-tests.exe, the output's tests,
# runs on the same device (a flush, a pause, the end of a stretch, the gain on the samples). Then the song plays again with Wine's sound
# drivers turned off: the device does not open, the program says so in one line and the song
# plays on silently to its end. Installs what is missing first.
# Usage: scripts/wine-sound-check.sh   (the Windows build in build-win/, or RUZ_WIN_BUILD_DIR)
# Exit status: 0 when both runs played to the end and the capture holds the song whole.
set -euo pipefail
cd "$(dirname "$0")/.."
build_win=${RUZ_WIN_BUILD_DIR:-build-win}
song_file=tests/fixtures/audio/tone-10s.mp3
started_all=$SECONDS

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}" libasound2
ruz_cross_build "$build_win" ruz-play-through ruz-waveout-tests

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ruz-sound-check.XXXXXX")
ruz_fresh_wine_prefix
trap 'ruz_wine_cleanup; rm -rf "$scratch"' EXIT
capture=$scratch/capture.raw
# Wine's ALSA driver opens ALSA's default device: here the file plugin, which writes the samples
# as they come (raw, in the format the device was opened with) and hands them to the null device.
# ALSA reads this from the home folder, which for this check is the scratch folder.
cat >"$scratch/.asoundrc" <<ALSA
pcm.!default {
  type file
  slave.pcm "null"
  file "$capture"
  format "raw"
}
ALSA
export HOME=$scratch
timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null
timeout 60 wineserver -w
song=$(winepath -w "$PWD/$song_file" 2>/dev/null)

failed=()
run() {  # NAME COMMAND...: runs a Windows program; its output, without Wine's CRs, in $scratch/out
  local name=$1 rc=0
  shift
  timeout 120 wine "$@" >"$scratch/raw" 2>&1 || rc=$?
  timeout 60 wineserver -w || rc=1
  awk '{ sub(/\r$/, ""); print }' "$scratch/raw" >"$scratch/out"
  cat "$scratch/out"
  if [[ $rc -ne 0 ]]; then
    failed+=("$name")
  fi
}

echo "--- playing $song_file through waveOut into a file"
started=$SECONDS
run "play" "$build_win/ruz-play-through.exe" play "$song"
echo "($((SECONDS - started)) s with Wine's start and end)"
run "compare" "$build_win/ruz-play-through.exe" compare "$song" \
  "$(winepath -w "$capture" 2>/dev/null)"
heard=$(grep -aE '^heard ' "$scratch/out" || true)

echo "--- the output's tests on the same device"
RUZ_SOUND_CAPTURE=$(winepath -w "$capture" 2>/dev/null)
export RUZ_SOUND_CAPTURE
run "ruz-waveout-tests" "$build_win/ruz-waveout-tests.exe"
passed=$(grep -aE '^\[  PASSED  \] [0-9]+ tests?' "$scratch/out" | grep -oE '[0-9]+' || true)

echo "--- playing it without a sound device"
timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null
timeout 60 wineserver -w
run "play without a device" "$build_win/ruz-play-through.exe" play "$song"
if ! grep -qa '^No sound device could be opened (.*): playback continues silently\.$' \
  "$scratch/out"; then
  failed+=("the line saying there is no sound device")
fi

if ((${#failed[@]} > 0)); then
  echo "wine-sound-check: failed: ${failed[*]} (${heard:-no comparison})" >&2
  exit 1
fi
echo "wine-sound-check: passed in $((SECONDS - started_all)) s: ${heard}; the output's ${passed:-no} tests passed"
