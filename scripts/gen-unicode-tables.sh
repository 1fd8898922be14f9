#!/usr/bin/env bash
# Writes src/text/unicode_tables.cpp anew: the text module's case mappings and character kinds, as
# QtCore has them (the program tests/text/gen_unicode_tables.cpp reads them). Needs a build with
# tests (scripts/build.sh -DRUZ_BUILD_TESTS=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target ruz-gen-unicode-tables
build/tests/text/ruz-gen-unicode-tables >src/text/unicode_tables.cpp
clang-format -i src/text/unicode_tables.cpp
