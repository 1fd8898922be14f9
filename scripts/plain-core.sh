#!/usr/bin/env bash
# Checks that the folders of src/ that run on plain C++20 include no Qt header: no `#include <Q...>`
# and no Qt bridge (qt/qt_text.h) in any of their files. Prints every file that does and fails when
# there is one. The list below grows as folders leave QtCore, one folder a line. The folders of the
# second list take no system header either (windows.h, a POSIX one): both programs build them as
# they stand.
#
# Usage: scripts/plain-core.sh [SOURCE FOLDER]   (default: the repository's src/)
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
cd "$src"

folders=(
text
platform
messenger
standin
controls
words
chrome
common
scanner
commands
presence
player
app
headless
scenario
win32
desktop
)
systemFree=(
desktop
)

found=$(grep -rlE '^[[:space:]]*#[[:space:]]*include[[:space:]]*(<Q|"qt/)' "${folders[@]}" || true)
if [[ -n $found ]]; then
    echo "Qt in the plain core:"
    echo "$found"
    exit 1
fi

found=$(grep -rlE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(windows|winsock|sys/|unistd|dlfcn|pthread)' \
    "${systemFree[@]}" || true)
if [[ -n $found ]]; then
    echo "A system header in a folder both programs share:"
    echo "$found"
    exit 1
fi
