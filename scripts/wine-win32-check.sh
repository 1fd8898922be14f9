#!/usr/bin/env bash
# Cross-builds the Windows program's seams (src/win32/: timers on the message loop, the regional
# clock, the dialogs and the notification-area icon) with their tests, and runs the tests under
# Wine. Installs what is missing first. Needs no display: Wine runs with its null graphics driver
# in a fresh, throw-away prefix (its shell may refuse the notification-area icon there; the tests
# say which and hold either way).
# Usage: scripts/wine-win32-check.sh      (builds into build-win/)
# Exit status: 0 when every test passed; non-zero on any failure or time-out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${RUZ_WIN_BUILD_DIR:-build-win}

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}"
ruz_cross_build "$build" ruz-win32-seams-tests
ruz_fresh_wine_prefix

started=$SECONDS
rc=0
timeout 300 wine "$build/ruz-win32-seams-tests.exe" 2>&1 | tr -d '\r' || rc=$?
if ! timeout 60 wineserver -w; then
  echo "wine-win32-check: Wine processes still running after the tests" >&2
  rc=1
fi
echo "Seams' tests under Wine ran in $((SECONDS - started)) s"
if [[ $rc -ne 0 ]]; then
  echo "wine-win32-check: the tests failed (exit status $rc)" >&2
  exit 1
fi
