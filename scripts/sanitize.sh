#!/usr/bin/env bash
# Builds the unit tests and scenarios with AddressSanitizer, UndefinedBehaviorSanitizer and the
# standard library's assertions into build-asan/, and runs them with CTest. Any report of the
# sanitizers (an invalid access, a leak, undefined behaviour, a failed library assertion) ends its
# test with a failure.
#
# Usage: scripts/sanitize.sh [CTEST ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
scripts/install-deps.sh test

flags="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer"
flags+=" -D_GLIBCXX_ASSERTIONS"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRUZ_WARNINGS_AS_ERRORS=ON \
    -DRUZ_BUILD_BENCHMARKS=OFF -DRUZ_BUILD_UI=OFF \
    -DCMAKE_CXX_FLAGS="$flags -O1 -g" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined,float-cast-overflow" >/dev/null
cmake --build build-asan -j"$(nproc)"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$repo/scripts/sanitize/ubsan.supp"
export LSAN_OPTIONS="suppressions=$repo/scripts/sanitize/lsan.supp:print_suppressions=0"
# No sound device is needed: the tests use the silent output.
export SDL_AUDIODRIVER=dummy
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" "$@"
