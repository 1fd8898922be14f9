#!/usr/bin/env bash
# Configures and builds Taviks Ruz into build/ (pass extra CMake options as arguments), with
# warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUZ_WARNINGS_AS_ERRORS=ON "$@" >/dev/null
cmake --build build -j"$(nproc)"
