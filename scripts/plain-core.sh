#!/usr/bin/env bash
# Checks that the folders of src/ that run on plain C++20 include no Qt header: no `#include <Q...>`
# and no Qt bridge (qt/qt_text.h) in any of their files. Prints every file that does and fails when
# there is one. The list below grows as folders leave QtCore, one folder a line.
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
win32
)

found=$(grep -rlE '^[[:space:]]*#[[:space:]]*include[[:space:]]*(<Q|"qt/)' "${folders[@]}" || true)
if [[ -n $found ]]; then
    echo "Qt in the plain core:"
    echo "$found"
    exit 1
fi
