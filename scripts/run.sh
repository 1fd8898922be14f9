#!/usr/bin/env bash
# Installs what is missing, builds, and starts Taviks Ruz.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/build.sh -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCHMARKS=OFF
# A few short songs made for the project, so that there is something to hear at once.
if ! ls build/demo-songs/*.mp3 >/dev/null 2>&1; then
  scripts/make-demo-songs.sh build/demo-songs >/dev/null
fi
exec build/src/ui/ruz build/demo-songs
