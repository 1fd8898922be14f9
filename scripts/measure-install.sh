#!/usr/bin/env bash
# Measures what each install set of scripts/install-deps.sh costs on a fresh Debian machine,
# without touching this one: apt plans each set against a minimal system (the packages of
# priority "required", as a fresh Debian image has them), then the planned packages are
# downloaded into a scratch folder (timed) and unpacked there with dpkg-deb (timed). The time of
# an install is about the sum; package scripts and triggers (ldconfig, man-db) come on top.
#
# Usage: scripts/measure-install.sh [run|test ...]   (default: both sets)
# Needs apt-get and network access to the package mirror; run as root or with sudo for apt.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
sets=("$@")
((${#sets[@]} > 0)) || sets=(run test)

work=$(mktemp -d "${TMPDIR:-/tmp}/ruz-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A dpkg status file of the minimal system: this machine's packages of priority "required" and the
# essential ones, with everything they depend on (a fresh Debian image has about 90 packages).
stanza_name='match($0, /Package: [^\n]+/); name = substr($0, RSTART + 9, RLENGTH - 9)'
base=$(awk -v RS= "/\nPriority: required/ || /\nEssential: yes/ { $stanza_name; print name }" \
    /var/lib/dpkg/status | sort -u)
# shellcheck disable=SC2086
closure=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $base 2>/dev/null | grep -v '^[ <]' | sed 's/:.*$//' |
    sort -u | tr '\n' ' ')
awk -v RS= -v ORS='\n\n' -v list="$closure" \
    "BEGIN { n = split(list, a, \" \"); for (i = 1; i <= n; i++) keep[a[i]] = 1 }
     { $stanza_name; if (name in keep) print }" /var/lib/dpkg/status >"$work/status"
echo "minimal system: $(grep -c '^Package:' "$work/status") packages"

# The packages of a set, as install-deps.sh lists them.
set_packages() {
    bash -c "source <(sed -n '/^run_packages=(/,/^)/p; /^test_packages=(/,/^)/p' '$repo/scripts/install-deps.sh')
        if [[ $1 == test ]]; then echo \"\${run_packages[*]} \${test_packages[*]}\"; else echo \"\${run_packages[*]}\"; fi"
}

printf '| set | packages | download | installed size | download time | unpack time |\n'
printf '|---|---|---|---|---|---|\n'
for name in "${sets[@]}"; do
    read -r -a packages <<<"$(set_packages "$name")"
    apt_opts=(-o Dir::State::status="$work/status" -o Debug::NoLocking=1
        -o Dir::Cache::archives="$work/$name-debs" -o APT::Install-Recommends=0)
    mkdir -p "$work/$name-debs/partial"
    apt-get "${apt_opts[@]}" install --simulate "${packages[@]}" 2>/dev/null |
        awk '/^Inst / { print $2 }' >"$work/$name.list"
    count=$(wc -l <"$work/$name.list")
    start=$(date +%s%N)
    apt-get "${apt_opts[@]}" install --download-only -y -qq "${packages[@]}" >/dev/null 2>&1
    download_ms=$((($(date +%s%N) - start) / 1000000))
    bytes=$(du -cb "$work/$name-debs"/*.deb | tail -n 1 | cut -f 1)
    installed_kib=0
    start=$(date +%s%N)
    mkdir -p "$work/$name-root"
    for deb in "$work/$name-debs"/*.deb; do
        dpkg-deb -x "$deb" "$work/$name-root"
        installed_kib=$((installed_kib + $(dpkg-deb -f "$deb" Installed-Size)))
    done
    unpack_ms=$((($(date +%s%N) - start) / 1000000))
    rm -rf "$work/$name-root" "$work/$name-debs"
    printf '| %s | %d | %d MiB | %d MiB | %.1f s | %.1f s |\n' "$name" "$count" \
        $((bytes / 1048576)) $((installed_kib / 1024)) \
        "$(awk -v m="$download_ms" 'BEGIN { print m / 1000 }')" \
        "$(awk -v m="$unpack_ms" 'BEGIN { print m / 1000 }')"
done
