#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the project's own code (every source file
# under src/ that the build compiles; tests, benchmarks and fuzz targets are left out), using the
# compile_commands.json of a configure-only build in build-tidy/. Any finding fails the run.
#
# Usage: scripts/tidy.sh [CMAKE OPTIONS...]   (e.g. -DRUZ_BUILD_UI=ON to include the desktop views)
# Needs the Debian package clang-tidy (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
scripts/install-deps.sh test
tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
if [[ -z $tidy ]]; then
    echo "tidy: clang-tidy is missing (apt-get install clang-tidy)" >&2
    exit 1
fi

cmake -S . -B build-tidy -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DRUZ_WARNINGS_AS_ERRORS=ON \
    -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCHMARKS=OFF "$@" >/dev/null

# The project's sources that the build compiles, from the compilation database.
mapfile -t files < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' build-tidy/compile_commands.json |
    grep "^$repo/src/" | sort -u)
if ((${#files[@]} == 0)); then
    echo "tidy: no sources found in build-tidy/compile_commands.json" >&2
    exit 1
fi
echo "tidy: ${#files[@]} files"
# Two files at a time (one per core on the CI machine); every finding is printed.
status=0
printf '%s\0' "${files[@]}" |
    xargs -0 -n 4 -P "$(nproc)" "$tidy" -p build-tidy --quiet --warnings-as-errors='*' \
        2> >(grep -v "warnings generated" >&2) || status=$?
if ((status != 0)); then
    echo "tidy: findings above" >&2
    exit 1
fi
echo "tidy: clean"
