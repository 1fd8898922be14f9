#!/usr/bin/env bash
# Installs the Debian packages Taviks Ruz needs to build, run and test, skipping those present.
# Usage: scripts/install-deps.sh [--screenshots]
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libmpg123-dev libsdl2-dev
  libgtest-dev libbenchmark-dev
  mpg123 sox lame
  clang libclang-rt-14-dev llvm clang-tidy
  xvfb xdotool
)
if [[ "${1:-}" == "--screenshots" ]]; then
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
