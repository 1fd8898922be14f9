#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with Clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/ and runs each for a bounded time, starting from its seed corpus in
# fuzz/corpus/TARGET/. Any finding (a crash, a sanitizer report, a failed check, a leak, a timeout)
# fails the run; the input that caused it is left in BUILD/findings/.
#
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET [TARGET...]]   (default: 20 seconds, every target)
# The build folder is build-fuzz/, or the one RUZ_FUZZ_BUILD names.
# Needs the Debian packages clang, libclang-rt-14-dev and llvm (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=${RUZ_FUZZ_BUILD:-build-fuzz}
seconds=${1:-20}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(fuzz_transcript fuzz_dispatcher fuzz_announcement fuzz_title fuzz_m3u fuzz_engine fuzz_irc
        fuzz_text)
fi

scripts/install-deps.sh test
cxx=$(command -v clang++ || command -v clang++-14 || true)
if [[ -z $cxx ]]; then
    echo "fuzz: clang++ is missing (apt-get install clang libclang-rt-14-dev llvm)" >&2
    exit 1
fi

instrument="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
instrument+=" -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DRUZ_WARNINGS_AS_ERRORS=ON -DRUZ_BUILD_FUZZERS=ON -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCHMARKS=OFF -DRUZ_BUILD_UI=OFF \
    -DCMAKE_CXX_FLAGS="$instrument" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
findings=$(cd "$build" && pwd)/findings
mkdir -p "$findings"
failed=()
for target in "${targets[@]}"; do
    # The corpus grows in a scratch copy; the checked-in seeds stay as they are.
    work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-fuzz-corpus.XXXXXX")
    cp -r "fuzz/corpus/$target/." "$work/"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$findings/$target-")
    [[ -f fuzz/$target.options ]] && mapfile -t -O ${#options[@]} options < "fuzz/$target.options"
    echo "== $target: ${seconds}s"
    if "$build/fuzz/$target" "${options[@]}" "$work" >"$findings/$target.log" 2>&1; then
        grep -E "^stat::number_of_executed_units|Done [0-9]+ runs" "$findings/$target.log" | tail -n 2
    else
        echo "FAIL: $target found a problem; see $findings/$target.log" >&2
        tail -n 40 "$findings/$target.log" >&2
        failed+=("$target")
    fi
    rm -rf "$work"
done
if ((${#failed[@]} > 0)); then
    echo "fuzz: findings in ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: no findings in ${#targets[@]} targets"
