#!/usr/bin/env bash
# The IRC link's TLS through the system's Schannel, under Wine: makes a certificate for 127.0.0.1
# (as the Linux TLS tests do) and an unrelated one with openssl, starts `openssl s_server` on a free
# port of 127.0.0.1 with the first (it sends each line back reversed, and ends the session with a
# close_notify on "CLOSE") and a second one that renegotiates when the client asks in a line, and
# runs ruz-tls-tests.exe
# (win32/, cross-built with mingw-w64) in a fresh Wine prefix against it: trusted through the file,
# untrusted without it or with the other one, refused under a name the certificate does not carry,
# and garbage instead of a handshake failing cleanly. Installs what is missing first.
# Usage: scripts/wine-tls-check.sh   (the Windows build in build-win/, or RUZ_WIN_BUILD_DIR)
# Exit status: 0 when every test passed; non-zero otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
build_win=$(realpath -m "${RUZ_WIN_BUILD_DIR:-build-win}")
started_all=$SECONDS

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}" openssl
ruz_cross_build "$build_win" ruz-tls-tests

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ruz-tls-check.XXXXXX")
server_pids=()
stop_server() {
  local pid
  for pid in "${server_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
certificate() {  # NAME: a self-signed certificate for 127.0.0.1 in $scratch/NAME.pem
  timeout 60 openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$scratch/$1-key.pem" -out "$scratch/$1.pem" 2>/dev/null
}
certificate server
certificate other

# A free port above $1: the first of a range that nothing listens on.
free_port() {
  local candidate
  for candidate in $(seq "$(($1 + 1))" 47200); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
      echo "$candidate"
      return 0
    fi
  done
  echo "wine-tls-check: no free port" >&2
  return 1
}
port=$(free_port 47000)
command_port=$(free_port "$port")
tls_server=(timeout 600 openssl s_server -cert "$scratch/server.pem" -key "$scratch/server-key.pem")
"${tls_server[@]}" -accept "127.0.0.1:$port" -rev -quiet >"$scratch/server.log" 2>&1 &
server_pids+=($!)
# The second server takes its commands on its input ("R": renegotiate), written when the
# client's line asking for it shows in its output.
mkfifo "$scratch/commands"
exec 7<>"$scratch/commands"
"${tls_server[@]}" -accept "127.0.0.1:$command_port" <"$scratch/commands" \
  >"$scratch/command-server.log" 2>&1 &
server_pids+=($!)
tail -f --pid="${server_pids[1]}" "$scratch/command-server.log" | while read -r line; do
  case $line in
    *"please renegotiate"*) printf 'R\n' >&7 ;;
  esac
done &

ruz_fresh_wine_prefix
trap 'stop_server; ruz_wine_cleanup; rm -rf "$scratch"' EXIT
RUZ_TLS_PORT=$port
RUZ_TLS_COMMAND_PORT=$command_port
RUZ_TLS_CERT=$(winepath -w "$scratch/server.pem" 2>/dev/null)
RUZ_TLS_OTHER_CERT=$(winepath -w "$scratch/other.pem" 2>/dev/null)
export RUZ_TLS_PORT RUZ_TLS_COMMAND_PORT RUZ_TLS_CERT RUZ_TLS_OTHER_CERT

started=$SECONDS
log="$scratch/tests.log"
rc=0
(cd "$scratch" && timeout 300 wine "$build_win/ruz-tls-tests.exe") >"$log" 2>&1 || rc=$?
timeout 60 wineserver -w || rc=1
echo "Tests under Wine ran in $((SECONDS - started)) s"
# Wine's console ends lines with CR LF.
tr -d '\r' <"$log" | grep -avE '^\[ +(RUN|OK) +\]|^\[-+\]|^$' || true
if [[ $rc -ne 0 ]]; then
  echo "wine-tls-check: the tests failed (exit status $rc)" >&2
  exit 1
fi
if grep -aq SKIPPED "$log"; then
  echo "wine-tls-check: tests were skipped" >&2
  exit 1
fi
echo "wine-tls-check: passed in $((SECONDS - started_all)) s"
