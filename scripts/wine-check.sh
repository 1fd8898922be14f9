#!/usr/bin/env bash
# Cross-builds the Windows parts (win32/: the window-system seam with its user32 backend, the
# messenger link, the Win32 chat room and the link checks) with mingw-w64 and runs the link checks
# under Wine against real Win32 windows. Installs what is missing first. Needs no display: Wine
# runs with its null graphics driver in a fresh, throw-away prefix.
# Usage: scripts/wine-check.sh            (builds into build-win/)
# Exit status: 0 when every check passed; non-zero on any failure, mismatch or time-out.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${RUZ_WIN_BUILD_DIR:-build-win}

packages=(cmake make g++-mingw-w64-x86-64 wine wine64)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} > 0)); then
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  started=$SECONDS
  timeout 600 "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive timeout 900 "${sudo[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
  echo "Installed in $((SECONDS - started)) s"
fi

started=$SECONDS
timeout 300 cmake -S win32 -B "$build" -DRUZ_WARNINGS_AS_ERRORS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
timeout 600 cmake --build "$build" -j"$(nproc)" >/dev/null
echo "Cross-built in $((SECONDS - started)) s: $build/ruz-win32-room.exe, $build/ruz-linkcheck-win32.exe"

# One fresh prefix for the room programs and the checks: they must share one wineserver.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/ruz-wine.XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko set-up in the fresh prefix
export LC_ALL=C.UTF-8                      # Wine's ANSI code page is then 1252
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

started=$SECONDS
timeout 180 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w
# The null graphics driver: windows exist and take messages with no X server. It must be set
# before Wine's desktop process starts, so the prefix's wineserver is let end before and after.
timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
timeout 60 wineserver -w
echo "Wine prefix ready in $((SECONDS - started)) s"

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
