#!/usr/bin/env bash
# Captures the desktop program's windows (main window, Ccoms, chat room, buddy list, the whole
# screen) under a virtual X server into docs/screenshots/*.png, by running the desktop check's
# session and then opening Ccoms from the chat room.
#
# Usage: scripts/screenshots.sh [--ruz PATH]
# Needs the Debian packages xvfb, xdotool, sox, lame and imagemagick.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
exec "$repo/scripts/desktop-check.sh" --no-sound --screenshots "$repo/docs/screenshots" "$@"
