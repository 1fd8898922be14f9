# Shared by the checks under Wine (sourced, not run): installing the Debian packages they need,
# and a fresh, throw-away Wine prefix with the null graphics driver, so that no display is needed.

# Installs those of the given Debian packages that are missing.
ruz_install_missing() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  local sudo=() started=$SECONDS
  if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  timeout 600 "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive timeout 900 "${sudo[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
  echo "Installed in $((SECONDS - started)) s"
}

ruz_wine_cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}

# A fresh prefix in a scratch folder, removed when the script ends; every program the script runs
# under Wine shares its one wineserver.
ruz_fresh_wine_prefix() {
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/ruz-wine.XXXXXX")
  export WINEPREFIX
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko set-up in the fresh prefix
  export LC_ALL=C.UTF-8                      # Wine's ANSI code page is then 1252
  unset DISPLAY WAYLAND_DISPLAY
  trap ruz_wine_cleanup EXIT
  local started=$SECONDS
  timeout 180 wineboot -i >/dev/null 2>&1
  timeout 60 wineserver -w
  # The null graphics driver: windows exist and take messages with no X server. It must be set
  # before Wine's desktop process starts, so the prefix's wineserver is let end before and after.
  timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
  timeout 60 wineserver -w
  echo "Wine prefix ready in $((SECONDS - started)) s"
}

# Cross-builds the win32/ project into $1 with the project's mingw-w64 toolchain, warnings as
# errors: the targets named after it, or all of them.
ruz_cross_build() {
  local build=$1 root
  shift
  root=$(pwd)
  local started=$SECONDS targets=()
  if (($# > 0)); then
    targets=(--target "$@")
  fi
  timeout 300 cmake -S win32 -B "$build" -DRUZ_WARNINGS_AS_ERRORS=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  timeout 600 cmake --build "$build" -j"$(nproc)" "${targets[@]}" >/dev/null
  echo "Cross-built in $((SECONDS - started)) s into $build/: ${*:-everything}"
}

# Builds the named targets of the main (Linux) build in $1, configuring it first with the tests
# where it is not configured yet.
ruz_main_build() {
  local build=$1
  shift
  if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUZ_WARNINGS_AS_ERRORS=ON \
      -DRUZ_BUILD_TESTS=ON >/dev/null
  fi
  timeout 1800 cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null
}

# The Debian packages of the Windows build and of running it under Wine: the POSIX-threads
# flavour of mingw-w64 (GoogleTest needs std::mutex), Wine, and GoogleTest's sources.
RUZ_WINE_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest)
# The sound check's on top: ALSA's library, whose file plugin catches what Wine's ALSA driver plays.
RUZ_WINE_SOUND_PACKAGES=(libasound2)

# Packing the Windows programs (scripts/package-win32.sh): the installer's compiler and zip.
RUZ_WIN_PACKAGING_PACKAGES=(nsis zip)

# Whether the win32/ project configured in $1 has a target named $2.
ruz_win_has_target() {
  local targets
  targets=$(timeout 60 cmake --build "$1" --target help)
  grep -qE "^\.\.\. $2( |\$)" <<<"$targets"
}
