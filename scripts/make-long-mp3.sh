#!/usr/bin/env bash
# Makes a ten-minute MP3 for the media benchmark: a slow sine sweep (220 to 880 Hz) mixed with
# pink noise, all synthesized here, so the file is free of any rights.
#
# Usage: scripts/make-long-mp3.sh [OUTPUT]   (default: long-10min.mp3 in the current folder)
# Needs the Debian packages sox and lame.
set -euo pipefail

output=${1:-long-10min.mp3}
seconds=600
rate=44100

for tool in sox lame; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "make-long-mp3: '$tool' is missing (apt-get install sox lame)" >&2
        exit 1
    fi
done

# sox synthesizes 16-bit stereo WAV on stdout (-V1: its note that a piped WAV header cannot
# carry the length is expected); lame writes a CBR 128 kbps MPEG-1 layer III file with its
# usual Info/LAME header, which gives the exact, gapless length.
sox -V1 -n -t wav -r "$rate" -c 2 -b 16 - \
    synth "$seconds" sine 220-880 synth pinknoise mix gain -6 |
    lame --quiet -m j -b 128 - "$output"

echo "$output"
