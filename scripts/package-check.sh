#!/usr/bin/env bash
# Builds the programs as the Debian package ships them and checks the package:
#   - a Release build of only the programs into build-package/, with Debian's hardening flags
#     (dpkg-buildflags with hardening=+all: stack protector strong, _FORTIFY_SOURCE=2, full RELRO,
#     BIND_NOW) and warnings as errors;
#   - the hardening of the built programs, read back with readelf (and hardening-check where it is
#     installed);
#   - the package's contents against the list below: no test program, test audio or test scenario;
#   - the package installed with apt-get: `ruz --version`, the manual pages, the desktop entry, the
#     example scenario run by the installed ruz-scenario from outside the source tree and without
#     RUZ_FIXTURES, and a scenario that would write outside its scratch folder refused.
# The package is removed again at the end unless --keep is given.
#
# Usage: scripts/package-check.sh [--keep]
# Needs the Debian packages dpkg-dev, binutils and file.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=0
[[ ${1:-} == --keep ]] && keep=1
build=build-package

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Debian's flags for a package build. CMake reads no CPPFLAGS, so the preprocessor's go with the
# compiler's.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DRUZ_WARNINGS_AS_ERRORS=ON \
    -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
    -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build "$build" -j"$(nproc)" --target ruz ruz-scenario ruz_man_pages
echo "ok:   Release build of the programs with: $CXXFLAGS $CPPFLAGS $LDFLAGS"

# Each program: position independent, read-only relocations bound at start, the stack protector
# and the fortified C library functions in use.
programs=("$build/src/ui/ruz" "$build/src/scenario/ruz-scenario")
for program in "${programs[@]}"; do
    name=$(basename "$program")
    header=$(readelf -h "$program")
    segments=$(readelf -lW "$program")
    dynamic=$(readelf -dW "$program")
    symbols=$(readelf --dyn-syms -W "$program")
    [[ $header == *"DYN (Position-Independent Executable file)"* ]] || fail "$name is no PIE"
    [[ $segments == *GNU_RELRO* ]] || fail "$name has no RELRO segment"
    grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' <<<"$dynamic" || fail "$name lacks BIND_NOW"
    grep -q '__stack_chk_fail' <<<"$symbols" || fail "$name has no stack protector"
    grep -Eq ' __[a-z0-9_]+_chk(@|$)' <<<"$symbols" || fail "$name uses no fortified function"
    if command -v hardening-check >/dev/null; then
        hardening-check "$program" || fail "hardening-check refused $name"
    fi
done
echo "ok:   PIE, full RELRO, BIND_NOW, stack protector and FORTIFY in ${programs[*]##*/}"

rm -f "$build"/taviks-ruz_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/taviks-ruz_*.deb)
echo "ok:   built $(basename "$deb") ($(stat -c %s "$deb") bytes)"
echo "      Depends: $(dpkg-deb -f "$deb" Depends)"

# Every file the package holds, and nothing else.
expected=(
    /usr/bin/ruz
    /usr/bin/ruz-scenario
    /usr/share/applications/taviks-ruz.desktop
    /usr/share/icons/hicolor/scalable/apps/taviks-ruz.svg
    /usr/share/man/man1/ruz.1.gz
    /usr/share/man/man1/ruz-scenario.1.gz
    /usr/share/taviks-ruz/audio/tone-3s.mp3
    /usr/share/taviks-ruz/scenarios/example.scn
)
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [[ $contents != "$wanted" ]]; then
    diff <(echo "$wanted") <(echo "$contents") | sed 's/^/      /' >&2 || true
    fail "the package's files differ from the list (< missing, > not expected)"
fi
echo "ok:   the package holds the ${#expected[@]} files of the list and nothing else"

remove() {
    if ((!keep)); then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y -qq taviks-ruz >/dev/null
    fi
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null
echo "ok:   installed with apt-get install $deb"

[[ $(command -v ruz) == /usr/bin/ruz ]] || fail "ruz is not /usr/bin/ruz"
version=$(ruz --version)
[[ $version == "ruz (Taviks Ruz) "* ]] || fail "ruz --version said '$version'"
echo "ok:   $version"
for page in ruz ruz-scenario; do
    [[ -f /usr/share/man/man1/$page.1.gz ]] || fail "no manual page $page.1"
    zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH" || fail "$page.1 is no manual page"
done
echo "ok:   manual pages ruz.1 and ruz-scenario.1"
grep -qx 'Exec=ruz %f' /usr/share/applications/taviks-ruz.desktop || fail "desktop entry"
echo "ok:   desktop entry"

# The installed ruz-scenario, from a folder outside the source tree, finds the package's audio by
# itself.
out=$(cd / && env -u RUZ_FIXTURES ruz-scenario /usr/share/taviks-ruz/scenarios/example.scn)
echo "$out" | sed 's/^/      /'
[[ $out == *"1 passed, 0 failed"* ]] || fail "the installed ruz-scenario did not pass the example"
echo "ok:   the installed ruz-scenario passed the example on the package's audio"

# A scenario that would truncate a file outside its scratch folder is refused, the file intact.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; remove' EXIT
echo kept >"$scratch/victim"
printf 'file %s\n' "$scratch/victim" >"$scratch/escape.scn"
code=0
out=$(cd / && ruz-scenario "$scratch/escape.scn") || code=$?
[[ $code -eq 2 && $out == *"escape.scn:1: file "* ]] || fail "ruz-scenario said '$out' ($code)"
[[ $(cat "$scratch/victim") == kept ]] || fail "ruz-scenario wrote outside its scratch folder"
echo "ok:   the installed ruz-scenario refused a path outside its scratch folder (exit 2)"
echo "package check passed"
