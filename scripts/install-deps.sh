#!/usr/bin/env bash
# Installs the Debian packages Taviks Ruz needs, skipping those present.
#
# Usage: scripts/install-deps.sh [run|test] [--screenshots]
#   run   what building and running the program need (the default)
#   test  that, and the tools of the tests: GoogleTest, benchmarks, fuzzing, static checks, the
#         desktop check (virtual X server, a window manager, typing into it and reading its
#         windows, the media-key check) and packaging
#   --screenshots  also ImageMagick, for scripts/screenshots.sh
set -euo pipefail

# Building and running: the compiler, CMake, Qt, the decoder and SDL; sox and lame make the demo
# songs that scripts/run.sh plays.
run_packages=(
  build-essential cmake pkg-config
  qt6-base-dev libmpg123-dev libsdl2-dev
  sox lame
)
# The tests on top.
test_packages=(
  libgtest-dev googletest libbenchmark-dev
  mpg123
  clang libclang-rt-14-dev llvm clang-tidy
  xvfb xdotool x11-utils openbox
  dbus-daemon dbus-bin playerctl
  dpkg-dev file
  ngircd openssl
)

set_name=run
screenshots=0
for argument in "$@"; do
  case $argument in
    run | test) set_name=$argument ;;
    --screenshots) screenshots=1 ;;
    *) echo "install-deps: unknown argument $argument" >&2; exit 2 ;;
  esac
done

packages=("${run_packages[@]}")
if [[ $set_name == test ]]; then
  packages+=("${test_packages[@]}")
fi
if ((screenshots)); then
  packages+=(imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
