#!/bin/sh
# Makes a folder of four short demo songs (tones and chords, 12 to 16 seconds each), synthesized
# here and so free of any rights, as MP3 files named "Artist - Title.mp3".
#
# Usage: scripts/make-demo-songs.sh [FOLDER]   (default: build/demo-songs in the repository)
# Prints the songs' titles, one a line, in the order the playlist lists them.
# Needs the Debian packages sox and lame.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
folder=${1:-$here/../build/demo-songs}
rate=44100

for tool in sox lame; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "make-demo-songs: '$tool' is missing (apt-get install sox lame)" >&2
        exit 1
    fi
done

mkdir -p "$folder"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# encode WAV ARTIST TITLE: a 112 kbps joint-stereo MP3 with title and artist tags.
made=""
encode() {
    lame --quiet -m j -b 112 --ta "$2" --tt "$3" --tg "Ambient" "$1" "$folder/$2 - $3.mp3"
    made="$made$2 - $3
"
}

# chord SECONDS FREQUENCY...: the notes held together, mixed to one voice, faded in and out.
chord() {
    seconds=$1
    shift
    voices=""
    for f in "$@"; do
        voices="$voices sine $f"
    done
    # shellcheck disable=SC2086
    sox -V1 -n -r "$rate" -c $# -b 16 "$scratch/part.wav" synth "$seconds" $voices remix - \
        fade q 0.3 "$seconds" 0.6 gain -n -6
}

# melody WAV SECONDS_PER_NOTE SHAPE NOTE...: one note after the other.
melody() {
    out=$1
    step=$2
    shape=$3
    shift 3
    n=0
    parts=""
    for note in "$@"; do
        n=$((n + 1))
        sox -V1 -n -r "$rate" -c 1 -b 16 "$scratch/note$n.wav" synth "$step" "$shape" "$note" \
            fade q 0.01 "$step" 0.08
        parts="$parts $scratch/note$n.wav"
    done
    # shellcheck disable=SC2086
    sox -V1 $parts "$out" gain -n -6
}

# 1. Three held major chords, four seconds each.
chord 4 261.63 329.63 392.00 && mv "$scratch/part.wav" "$scratch/c1.wav"
chord 4 220.00 277.18 329.63 && mv "$scratch/part.wav" "$scratch/c2.wav"
chord 4 196.00 246.94 293.66 && mv "$scratch/part.wav" "$scratch/c3.wav"
sox -V1 "$scratch/c1.wav" "$scratch/c2.wav" "$scratch/c3.wav" -c 2 "$scratch/song1.wav"
encode "$scratch/song1.wav" "Sine Quartet" "Morning Chords"

# 2. A plucked arpeggio, 48 notes of a quarter second.
melody "$scratch/song2.wav" 0.25 pluck \
    C4 E4 G4 C5 G4 E4 C4 E4 A3 C4 E4 A4 E4 C4 A3 C4 \
    F3 A3 C4 F4 C4 A3 F3 A3 G3 B3 D4 G4 D4 B3 G3 B3 \
    C4 E4 G4 C5 E5 C5 G4 E4 C4 G3 E3 G3 C4 C4 C4 C4
sox -V1 "$scratch/song2.wav" -c 2 "$scratch/song2s.wav"
encode "$scratch/song2s.wav" "Pluck Trio" "Raindrops"

# 3. A slow square-wave tune, 28 notes of half a second.
melody "$scratch/song3.wav" 0.5 square \
    E4 D4 C4 D4 E4 E4 E4 D4 D4 D4 E4 G4 G4 E4 \
    D4 C4 D4 E4 E4 E4 E4 D4 D4 E4 D4 C4 C4 C4
sox -V1 "$scratch/song3.wav" -c 2 "$scratch/song3s.wav" lowpass 2500
encode "$scratch/song3s.wav" "Square Pals" "Little Tune"

# 4. A low drone that glides up and back under a steady fifth.
sox -V1 -n -r "$rate" -c 2 -b 16 "$scratch/song4.wav" synth 14 sine 110-165 sine 220 \
    remix 1,2 1,2 fade q 1 14 2 gain -n -6
encode "$scratch/song4.wav" "Drone Club" "Low Hum"

# The titles, one a line, in the playlist's order (the file names' alphabetical order).
printf '%s' "$made" | LC_ALL=C sort -f | sed 's/^.* - //'
