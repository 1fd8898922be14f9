#!/usr/bin/env bash
# Cross-builds the IRC connection on Winsock with its tests (ruz-irc-win32-tests.exe) and ruz.exe,
# and runs the tests under Wine against a real ngircd on 127.0.0.1, on free ports for plain text and
# TLS (a self-signed certificate made here with openssl), which this script starts and stops. One of
# the tests starts ruz.exe (beside the tests) in a channel of that server and drives its windows;
# another starts it beside the stand-in room (ruz-win32-room.exe), signs on through the sign-on
# window and off again. The null graphics driver is enough for their message boxes and windows.
# The tests ask for the server's restart through files in a scratch folder: "stop" or "start",
# which the script acts on and removes. Installs what is missing first; needs no display.
# Usage: scripts/wine-irc-check.sh [GOOGLETEST OPTIONS...]   (builds into build-win/)
# Exit status: 0 when every test passed; non-zero on any failure or time-out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${RUZ_WIN_BUILD_DIR:-build-win}
# Longest wait for the server to listen.
readonly listen_timeout_s=10
readonly poll_s=0.1

source scripts/wine-env.sh
ruz_install_missing "${RUZ_WINE_PACKAGES[@]}" ngircd openssl
ruz_cross_build "$build" ruz ruz-win32-room ruz-irc-win32-tests
ruz_fresh_wine_prefix

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ruz-irc.XXXXXX")
control="$scratch/control"
mkdir -p "$control"
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
tls_port=$(free_port)
while [[ $tls_port == "$port" ]]; do
  tls_port=$(free_port)
done
# The TLS listener's certificate for 127.0.0.1, self-signed: trusted only through its file.
timeout 60 openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
  -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
  -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
cat >"$scratch/ngircd.conf" <<CONF
[Global]
Name = irc.test
Info = Taviks Ruz test server
AdminInfo1 = tests
AdminInfo2 = tests
AdminEMail = none
Listen = 127.0.0.1
Ports = $port
MotdPhrase = test
PidFile = $scratch/ngircd.pid
[Limits]
MaxNickLength = 30
[Options]
PAM = no
Ident = no
DNS = no
[SSL]
CertFile = $scratch/cert.pem
KeyFile = $scratch/key.pem
Ports = $tls_port
CONF
ngircd_bin=$(command -v ngircd || echo /usr/sbin/ngircd)
# The server's process id lives in a file: the watcher below, a subshell, restarts it.
server_pid_file="$scratch/server.pid"
watcher_pid=

start_server() {
  "$ngircd_bin" --nodaemon --config "$scratch/ngircd.conf" >>"$scratch/ngircd.log" 2>&1 &
  echo $! >"$server_pid_file"
  local waited=0
  until (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null &&
    (exec 3<>"/dev/tcp/127.0.0.1/$tls_port") 2>/dev/null; do
    sleep "$poll_s"
    waited=$((waited + 1))
    if ((waited > listen_timeout_s * 10)); then
      echo "wine-irc-check: ngircd does not listen on port $port" >&2
      cat "$scratch/ngircd.log" >&2
      return 1
    fi
  done
}

stop_server() {
  local pid waited=0
  pid=$(cat "$server_pid_file" 2>/dev/null || true)
  rm -f "$server_pid_file"
  if [[ -z $pid ]]; then
    return 0
  fi
  kill "$pid" 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null && ((waited < listen_timeout_s * 10)); do
    sleep "$poll_s"
    waited=$((waited + 1))
  done
}

cleanup() {
  if [[ -n $watcher_pid ]]; then
    kill "$watcher_pid" 2>/dev/null || true
  fi
  stop_server
  rm -rf "$scratch"
  ruz_wine_cleanup
}
trap cleanup EXIT

# Acts on the tests' requests; runs in the background as long as the tests do.
serve_requests() {
  while true; do
    if [[ -e $control/stop ]]; then
      stop_server
      rm -f "$control/stop"
    fi
    if [[ -e $control/start ]]; then
      start_server
      rm -f "$control/start"
    fi
    sleep "$poll_s"
  done
}

start_server
started=$SECONDS
RUZ_IRC_PORT=$port RUZ_IRC_TLS_PORT=$tls_port RUZ_IRC_CONTROL=$(winepath -w "$control")
RUZ_IRC_CERT=$(winepath -w "$scratch/cert.pem")
# The test audio, for the whole program's songs.
RUZ_FIXTURES=$(winepath -w "$PWD/tests/fixtures/audio")
export RUZ_IRC_PORT RUZ_IRC_TLS_PORT RUZ_IRC_CONTROL RUZ_IRC_CERT RUZ_FIXTURES
# The watcher owns the server from here on: it stops and starts it at the tests' request.
serve_requests &
watcher_pid=$!
rc=0
timeout 300 wine "$build/ruz-irc-win32-tests.exe" "$@" 2>&1 | tr -d '\r' || rc=$?
kill "$watcher_pid" 2>/dev/null || true
wait "$watcher_pid" 2>/dev/null || true
watcher_pid=
if ! timeout 60 wineserver -w; then
  echo "wine-irc-check: Wine processes still running after the tests" >&2
  rc=1
fi
if [[ $rc -ne 0 ]]; then
  echo "wine-irc-check: the IRC tests under Wine failed (exit status $rc) after $((SECONDS - started)) s" >&2
  exit 1
fi
echo "wine-irc-check: the IRC tests under Wine passed in $((SECONDS - started)) s"
