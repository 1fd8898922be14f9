#!/usr/bin/env bash
# Cross-builds the Windows parts (win32/: the window-system seam with its user32 backend, the
# messenger link, the Win32 chat room and the link checks) with mingw-w64 and runs the link checks
# under Wine against real Win32 windows. Installs what is missing first. Needs no display: Wine
# runs with its null graphics driver in a fresh, throw-away prefix.
# Usage: scripts/wine-check.sh            (builds into build-win/)
# Exit status: 0 when every check passed; non-zero on any failure, mismatch or time-out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${RUZ_WIN_BUILD_DIR:-build-win}

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}"
ruz_cross_build "$build" ruz-win32-room ruz-linkcheck-win32
ruz_fresh_wine_prefix

# The checks start every room (and every dialog window) as a ruz-win32-room process of their own,
# from beside the check program.
started=$SECONDS
log=$(mktemp "${TMPDIR:-/tmp}/ruz-wine-check.XXXXXX")
rc=0
timeout 300 wine "$build/ruz-linkcheck-win32.exe" >"$log" 2>&1 || rc=$?
if ! timeout 60 wineserver -w; then
  echo "wine-check: Wine processes still running after the checks" >&2
  if [[ $rc -eq 0 ]]; then
    rc=1
  fi
fi
echo "Checks under Wine ran in $((SECONDS - started)) s"
# Wine's console ends lines with CR LF; the report itself is ASCII.
tr -d '\r' <"$log"
last=$(tr -d '\r' <"$log" | tail -n 1)
rm -f "$log"

if [[ $rc -ne 0 ]]; then
  echo "wine-check: the checks failed (exit status $rc)" >&2
  exit 1
fi
if ! grep -aEq '^[1-9][0-9]* passed, 0 failed$' <<<"$last"; then
  echo "wine-check: unexpected last line: $last" >&2
  exit 1
fi
