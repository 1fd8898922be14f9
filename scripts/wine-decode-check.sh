#!/usr/bin/env bash
# The Windows MPEG decoder (the system's ACM codec fed by the program's own frame reader) against
# libmpg123, under Wine: ruz-decode-reference (Linux, the main build) writes what libmpg123 makes of
# every test file into a scratch folder; ruz-media-tests.exe (win32/, cross-built with mingw-w64)
# runs the frame reader's unit tests and the decoder's tests in a fresh Wine prefix, decodes the
# same files through ACM and compares: the same files refused, the same number of frames, every
# sample within 2 steps of 16 bits, a seek that lands on the same sample; and every file of the
# damaged-audio corpus refused or decoded to its end; and songs damaged in the middle (made here)
# played about as far as libmpg123 plays them. Installs what is missing first.
# Usage: scripts/wine-decode-check.sh   (the main build in build/, or RUZ_BUILD_DIR; the Windows
#                                        build in build-win/, or RUZ_WIN_BUILD_DIR)
# Exit status: 0 when every test passed and no file differs; non-zero otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${RUZ_BUILD_DIR:-build}
build_win=${RUZ_WIN_BUILD_DIR:-build-win}
started_all=$SECONDS

source scripts/wine-env.sh
scripts/install-deps.sh run
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}"

# libmpg123's side: only the reference program, in the main build (configured here if it is not).
started=$SECONDS
ruz_main_build "$build" ruz-decode-reference
ruz_cross_build "$build_win" ruz-media-tests
echo "Built in $((SECONDS - started)) s"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ruz-decode-check.XXXXXX")
mkdir -p "$scratch/reference" "$scratch/malformed" "$scratch/damaged" "$scratch/damaged-reference"
"$build/tests/media/ruz-decode-reference" "$scratch/reference" tests/fixtures/audio/*
scripts/make-malformed-audio.sh "$scratch/malformed" >/dev/null
# Songs damaged in the middle, made here from the test audio: reproducible garbage between frames,
# and frames cut short (bytes taken out of them), so that the frames around them no longer line up.
# The Windows decoder must play about as much of each as libmpg123 does (ruz-decode-reference).
# damage FILE OUT JUNK_AT...: 700 bytes of garbage at each JUNK_AT, 150 bytes taken out at each
# offset halfway between two of them.
damage() {
  local file=$1 out=$2
  shift 2
  RUZ_JUNK_AT="$*" perl -0777 -ne 'srand(11); my $d = $_; my @junk = split / /, $ENV{RUZ_JUNK_AT};
    for my $at (reverse @junk) {
      substr($d, $at, 0) = join("", map { chr(int(rand(256))) } 1 .. 700);
    }
    for my $i (reverse 1 .. $#junk) {
      substr($d, int(($junk[$i - 1] + $junk[$i]) / 2), 150) = "";
    }
    print $d' "$file" >"$out"
}
damage tests/fixtures/audio/tone-10s.mp3 "$scratch/damaged/tone-10s-garbage-and-cut-frames.mp3" \
  20000 45000 70000 95000
damage tests/fixtures/audio/tone-5s.mp3 "$scratch/damaged/tone-5s-garbage-and-cut-frames.mp3" \
  15000 30000 45000 60000
"$build/tests/media/ruz-decode-reference" "$scratch/damaged-reference" "$scratch/damaged"/*

ruz_fresh_wine_prefix
trap 'ruz_wine_cleanup; rm -rf "$scratch"' EXIT
# The Windows program takes the folders in the system's own path form (Z:\...).
RUZ_FIXTURES_DIR=$(winepath -w "$PWD/tests/fixtures/audio" 2>/dev/null)
RUZ_REFERENCE_DIR=$(winepath -w "$scratch/reference" 2>/dev/null)
RUZ_MALFORMED_DIR=$(winepath -w "$scratch/malformed" 2>/dev/null)
RUZ_DAMAGED_DIR=$(winepath -w "$scratch/damaged" 2>/dev/null)
RUZ_DAMAGED_REFERENCE_DIR=$(winepath -w "$scratch/damaged-reference" 2>/dev/null)
export RUZ_FIXTURES_DIR RUZ_REFERENCE_DIR RUZ_MALFORMED_DIR RUZ_DAMAGED_DIR RUZ_DAMAGED_REFERENCE_DIR

started=$SECONDS
log="$scratch/tests.log"
rc=0
timeout 300 wine "$build_win/ruz-media-tests.exe" >"$log" 2>&1 || rc=$?
timeout 60 wineserver -w || rc=1
echo "Tests under Wine ran in $((SECONDS - started)) s"
# Wine's console ends lines with CR LF.
tr -d '\r' <"$log" | grep -avE '^\[ +(RUN|OK) +\]|^\[-+\]|^$'
closing=$(tr -d '\r' <"$log" | grep -aE '^against libmpg123: [0-9]+ files compared, [0-9]+ differ$' || true)

if [[ $rc -ne 0 ]]; then
  echo "wine-decode-check: the tests failed (exit status $rc)" >&2
  exit 1
fi
if ! grep -qE '^against libmpg123: [1-9][0-9]* files compared, 0 differ$' <<<"$closing"; then
  echo "wine-decode-check: no clean comparison with libmpg123 (${closing:-no closing line})" >&2
  exit 1
fi
echo "wine-decode-check: passed in $((SECONDS - started_all)) s"
