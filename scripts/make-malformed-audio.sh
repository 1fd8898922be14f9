#!/usr/bin/env bash
# Makes a corpus of damaged and unusual MPEG audio files for the engine's robustness test, from
# the project's test audio (tests/fixtures/audio) and from tones synthesized here with sox and lame:
# files cut short at many offsets, flipped bytes, a huge ID3v2 tag, tags that claim more than the
# file holds, MPEG 2 and MPEG 2.5, free format, mono and stereo, VBR and CBR without their header
# frame, layer I and layer II, garbage before, between and after the frames, a change of format in
# the middle, headers without bodies, and more. Each file is named for what is wrong with it.
#
# Usage: scripts/make-malformed-audio.sh OUT_DIR
# Needs the Debian packages sox and lame (and perl, which every Debian system has).
set -euo pipefail

out=${1:?usage: make-malformed-audio.sh OUT_DIR}
repo=$(cd "$(dirname "$0")/.." && pwd)
fixtures=$repo/tests/fixtures/audio
for tool in sox lame perl; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "make-malformed-audio: '$tool' is missing (apt-get install sox lame)" >&2
        exit 1
    fi
done

mkdir -p "$out"
rm -f "$out"/*.mp3 "$out"/*.mp2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

base=$fixtures/tone-3s.mp3  # MPEG-1 layer III, 44.1 kHz stereo, CBR 128 kbps, Info header
size=$(stat -c %s "$base")

# A 2-second tone at RATE Hz with CHANNELS channels, as WAV.
tone() {
    sox -V1 -n -r "$1" -c "$2" -b 16 "$scratch/tone-$1-$2.wav" synth 2 sine 440 sine 660 \
        gain -n -6
    echo "$scratch/tone-$1-$2.wav"
}

# perl helpers on whole files (binary safe).
# flip FILE OUT STEP START: every STEP-th byte from START on is inverted.
flip() {
    perl -0777 -pe "for (my \$i = $4; \$i < length; \$i += $3) {
        substr(\$_, \$i, 1) = chr(255 - ord(substr(\$_, \$i, 1))) }" "$1" >"$2"
}
# junk N SEED: N bytes of reproducible garbage on stdout.
junk() {
    perl -e "srand($2); print join('', map { chr(int(rand(256))) } 1 .. $1)"
}
# syncsafe N: the four bytes of an ID3v2 size field for N.
syncsafe() {
    perl -e "my \$n = $1; print pack('C4', (\$n >> 21) & 127, (\$n >> 14) & 127, (\$n >> 7) & 127,
        \$n & 127)"
}

# --- cut short ---------------------------------------------------------------------------------
for cut in 1 3 4 10 100 417 418 1000 4096 20000 $((size - 1)); do
    head -c "$cut" "$base" >"$out/cut-at-$cut.mp3"
done
head -c 20 "$fixtures/tagged-3s.mp3" >"$out/cut-inside-id3v2-tag.mp3"
head -c 2000 "$fixtures/tone-2.4s.mp2" >"$out/layer2-cut-at-2000.mp2"
head -c 3000 "$fixtures/tone-60s.mp3" >"$out/vbr-mono-cut-at-3000.mp3"

# --- damaged bytes -----------------------------------------------------------------------------
flip "$base" "$out/flipped-every-97th-byte.mp3" 97 500
flip "$base" "$out/flipped-every-7th-byte.mp3" 7 1000
flip "$base" "$out/flipped-first-header.mp3" 1000000 1
flip "$fixtures/tone-2.4s.mp2" "$out/layer2-flipped-every-101st-byte.mp2" 101 300
perl -0777 -pe 'substr($_, 5000, 2000) = "\0" x 2000' "$base" >"$out/zeroed-stretch.mp3"
# The encoder's header frame claims about 2^31 frames, or none.
perl -0777 -pe 'my $at = index($_, "Info"); substr($_, $at + 8, 4) = "\x7f\xff\xff\xff"' \
    "$base" >"$out/header-claims-2g-frames.mp3"
perl -0777 -pe 'my $at = index($_, "Info"); substr($_, $at + 8, 4) = "\0\0\0\0"' \
    "$base" >"$out/header-claims-no-frames.mp3"
perl -0777 -pe 'my $at = index($_, "Info"); substr($_, $at + 8, 4) = "\0\0\0\1"' \
    "$base" >"$out/header-claims-one-frame.mp3"

# --- tags --------------------------------------------------------------------------------------
{ printf 'ID3\003\000\000'; syncsafe $((8 * 1024 * 1024)); head -c $((8 * 1024 * 1024)) /dev/zero
    cat "$base"; } >"$out/huge-id3v2-tag-8mib.mp3"
{ printf 'ID3\004\000\000'; syncsafe $((200 * 1024 * 1024)); cat "$base"; } \
    >"$out/id3v2-tag-claims-200mib.mp3"
{ printf 'ID3\003\000\000'; syncsafe 100; junk 100 7; printf 'ID3\003\000\000'; syncsafe 50
    junk 50 8; cat "$base"; } >"$out/two-id3v2-tags.mp3"
{ printf 'TAG'; junk 125 9; } >"$out/only-id3v1-tag.mp3"

# --- formats -----------------------------------------------------------------------------------
lame --quiet -b 8 --resample 8 -m m "$(tone 8000 1)" "$out/mpeg25-8khz-mono.mp3"
lame --quiet -b 32 --resample 11.025 -m s "$(tone 11025 2)" "$out/mpeg25-11khz-stereo.mp3"
lame --quiet -b 64 --resample 22.05 -m j "$(tone 22050 2)" "$out/mpeg2-22khz-joint.mp3"
lame --quiet -b 320 -m s "$(tone 48000 2)" "$out/mpeg1-48khz-320k-stereo.mp3"
lame --quiet -b 96 -m m "$(tone 32000 1)" "$out/mpeg1-32khz-mono.mp3"
lame --quiet --freeformat -b 40 -m m "$(tone 32000 1)" "$out/free-format-mono.mp3"
lame --quiet --freeformat -b 400 -m s "$(tone 44100 2)" "$out/free-format-stereo.mp3"
lame --quiet -V 5 -t -m j "$(tone 44100 2)" "$out/vbr-without-xing-header.mp3"
lame --quiet -b 128 -t "$(tone 44100 2)" "$out/cbr-without-info-header.mp3"
lame --quiet -b 128 -p "$(tone 44100 2)" "$out/cbr-with-crc.mp3"

# Layer I: 100 frames of silence (no bit allocation), MPEG-1 at 48 kHz, 128 kbps, mono, and the
# same in stereo with every fifth frame cut short.
perl -e 'print(("\xff\xff\x44\xc0" . ("\0" x 124)) x 100)' >"$out/layer1-48khz-mono.mp3"
perl -e 'for my $i (1 .. 100) { my $f = "\xff\xff\x44\x00" . ("\0" x 124);
    print($i % 5 ? $f : substr($f, 0, 60)) }' >"$out/layer1-stereo-frames-cut.mp3"

# --- garbage -----------------------------------------------------------------------------------
{ junk 4096 1; cat "$base"; } >"$out/garbage-before.mp3"
{ cat "$base"; junk 4096 2; } >"$out/garbage-after.mp3"
perl -0777 -ne 'srand(3); for (my $i = 0; $i < length; $i += 1000) {
    print substr($_, $i, 1000); print join("", map { chr(int(rand(256))) } 1 .. 37) }' \
    "$base" >"$out/garbage-between-frames.mp3"
{ cat "$base"; cat "$out/mpeg25-8khz-mono.mp3"; } >"$out/format-change-in-the-middle.mp3"
perl -e 'print "\xff\xfb\x90\x64" x 20000' >"$out/headers-without-bodies.mp3"
perl -e 'print "\xff" x 65536' >"$out/all-ff-bytes.mp3"
{ head -c 1000 "$base"; head -c 50000 /dev/zero; } >"$out/zeros-after-first-frames.mp3"
{ head -c 418 "$base"; perl -e 'print "~" x 300'; } >"$out/only-the-header-frame-then-text.mp3"

count=$(find "$out" -maxdepth 1 -type f \( -name '*.mp3' -o -name '*.mp2' \) | wc -l)
echo "make-malformed-audio: $count files in $out"
