#!/usr/bin/env bash
# Makes the Debian package from build/ (cpack -G DEB), installs it on this machine with apt-get,
# and checks the installed programs: `ruz --version`, the manual pages, the desktop entry, and one
# scenario run by the installed ruz-scenario on the test audio the package installs. The package
# is removed again at the end unless --keep is given.
#
# Usage: scripts/package-check.sh [--keep]
# Needs a configured build/ (scripts/build.sh) and the Debian packages dpkg-dev and file.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=0
[[ ${1:-} == --keep ]] && keep=1

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

cmake --build build -j"$(nproc)" --target ruz ruz-scenario ruz_man_pages
rm -f build/taviks-ruz_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls "$PWD"/build/taviks-ruz_*.deb)
echo "ok:   built $(basename "$deb") ($(stat -c %s "$deb") bytes)"
echo "      Depends: $(dpkg-deb -f "$deb" Depends)"

remove() {
    if ((!keep)); then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y -qq taviks-ruz >/dev/null
    fi
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null
echo "ok:   installed with apt-get install $deb"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
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
[[ -f /usr/share/icons/hicolor/scalable/apps/taviks-ruz.svg ]] || fail "no icon"
echo "ok:   desktop entry and icon"

# The installed ruz-scenario, from a folder outside the source tree, on the installed test audio.
out=$(cd / && RUZ_FIXTURES=/usr/share/taviks-ruz/audio \
    ruz-scenario /usr/share/taviks-ruz/scenarios/example.scn)
echo "$out" | sed 's/^/      /'
[[ $out == *"1 passed, 0 failed"* ]] || fail "the installed ruz-scenario did not pass the example"
echo "ok:   the installed ruz-scenario passed a scenario"
echo "package check passed"
