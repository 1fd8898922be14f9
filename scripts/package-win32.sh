#!/usr/bin/env bash
# Cross-builds the Windows programs and packs them into build-win/ (or RUZ_WIN_BUILD_DIR):
#   taviks-ruz-VERSION-win64.zip        a folder of the same name with the programs and
#                                       README-windows.txt (packaging/windows/)
#   taviks-ruz-VERSION-win64-setup.exe  the installer (NSIS, packaging/windows/ruz.nsi)
# VERSION is the CMake project's. The programs are stripped of their debugging information.
# ruz.exe goes in once the win32/ project has a target `ruz`;
# the stand-in chat room ruz-win32-room.exe always does. Prints the two files' paths and sizes.
# Installs what is missing first (mingw-w64, NSIS, zip).
# Usage: scripts/package-win32.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${RUZ_WIN_BUILD_DIR:-build-win}

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}" "${RUZ_WIN_PACKAGING_PACKAGES[@]}"

# The programs that exist in this tree: the player once win32/ builds it.
timeout 300 cmake -S win32 -B "$build" -DRUZ_WARNINGS_AS_ERRORS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
programs=(ruz-win32-room)
if ruz_win_has_target "$build" ruz; then
  programs=(ruz "${programs[@]}")
fi
ruz_cross_build "$build" "${programs[@]}"

version=$(<"$build/ruz-version.txt")
name=taviks-ruz-$version-win64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage"
# The programs as they ship: without the build's debugging information.
for program in "${programs[@]}"; do
  x86_64-w64-mingw32-strip -o "$stage/$program.exe" "$build/$program.exe"
done
# The read-me with Windows' line ends, for Notepad.
sed 's/$/\r/' packaging/windows/README-windows.txt >"$stage/README-windows.txt"

zip=$PWD/$build/$name.zip
setup=$PWD/$build/$name-setup.exe
rm -f "$zip" "$setup"
(cd "$build/package" && timeout 120 zip -qr -X "$zip" "$name")
timeout 300 makensis -WX -V2 -DVERSION="$version" -DSTAGE_DIR="$PWD/$stage" -DOUT_FILE="$setup" \
  packaging/windows/ruz.nsi >/dev/null
for file in "$zip" "$setup"; do
  echo "$(realpath --relative-to="$PWD" "$file") ($(($(stat -c %s "$file") / 1024)) KiB)"
done
