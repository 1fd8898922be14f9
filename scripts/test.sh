#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit tests and scenario files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/build.sh -DRUZ_BUILD_TESTS=ON -DRUZ_BUILD_BENCHMARKS=ON
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The desktop program end to end under a virtual X server.
scripts/desktop-check.sh --ruz build/src/ui/ruz
