#!/usr/bin/env bash
# Installs the Windows installer under Wine and removes it again, in a fresh prefix with the null
# graphics driver (no display needed):
#   - packs the programs (scripts/package-win32.sh) and runs the installer silently (/S);
#   - the files in Program Files\Taviks Ruz are exactly the packed ones and the uninstaller, the
#     Start-menu entries point at them, and the uninstall entry in the registry names the version
#     and the uninstaller;
#   - each installed program answers: ruz.exe shows a window (its start-up question or its main
#     window), the stand-in room its "AIM_ChatWnd" window (ruz-window-watch finds it with
#     FindWindow's own means and ends the program);
#   - the program of the "Taviks Ruz" entry, started as the entry starts it (no arguments) with
#     demo songs in the user's Music folder and no messenger running, works for a new user:
#     ruz-desktop-check --own-room answers its question, finds the main window titled for the
#     Windows user, its own room and buddy list side by side with the player and the command
#     words, types .skip into the room by keys and hears the next song, and ends it with .end;
#   - ruz.exe signed on over TLS (openssl s_server on 127.0.0.1, its certificate given) asks its
#     question; none of these runs loads a DLL planted beside the programs under the name of a
#     system DLL (ruz-planted.dll, with Wine's native-first overrides for those names);
#   - the installer over a running ruz.exe and stand-in room closes and replaces them; over a ruz.exe that does not
#     close (its help box), the installer and the uninstaller fail with a non-zero status and
#     change nothing;
#   - the uninstaller, run silently while ruz.exe runs, closes it and leaves none of it behind.
# Prints what it checked and one closing line; the exit status is non-zero on any failure.
# Usage: scripts/wine-install-check.sh
set -euo pipefail
# The whole check is bounded, whatever hangs.
readonly WHOLE_CHECK_SECONDS=900
if [[ -z ${RUZ_INSTALL_CHECK_TIMED:-} ]]; then
  RUZ_INSTALL_CHECK_TIMED=1 exec timeout "$WHOLE_CHECK_SECONDS" "$0" "$@"
fi
cd "$(dirname "$0")/.."
build=${RUZ_WIN_BUILD_DIR:-build-win}
readonly PRODUCT="Taviks Ruz"
readonly UNINSTALLER="Uninstall $PRODUCT.exe"
readonly UNINSTALL_KEY="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$PRODUCT"
# How long a program may take to show its window.
readonly WINDOW_TIMEOUT_MS=30000
# The window each program answers with: class and caption ("*": any).
declare -A answer_window=(
  [ruz.exe]='* *'
  [ruz-win32-room.exe]='AIM_ChatWnd *'
)

started=$SECONDS
source scripts/wine-env.sh
# Whatever stops the check early still ends it with its closing line (and the prefix removed).
finished=0 prefix_made=0
closing() {
  local rc=$?
  ((finished)) || echo "wine-install-check: FAILED: stopped early (exit status $rc)"
  ((!prefix_made)) || ruz_wine_cleanup
}
trap closing EXIT
trap 'exit 124' TERM
scripts/package-win32.sh
ruz_install_missing sox lame
ruz_cross_build "$build" ruz-window-watch ruz-desktop-check ruz-planted
version=$(<"$build/ruz-version.txt")
name=taviks-ruz-$version-win64
setup=$build/$name-setup.exe
stage=$build/package/$name
watch=$PWD/$build/ruz-window-watch.exe
check=$PWD/$build/ruz-desktop-check.exe
# How long the player alone may take for the user's steps.
readonly ALONE_CHECK_SECONDS=300
ruz_fresh_wine_prefix
prefix_made=1
trap closing EXIT
# Shortcuts make no menu entries on the Linux desktop.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
ok() { echo "ok:   $*"; }

instdir=$WINEPREFIX/drive_c/Program\ Files/$PRODUCT
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/$PRODUCT
windows_instdir="C:\\Program Files\\$PRODUCT"

# What the installer must put there: the packed files and the uninstaller; a shortcut to each
# program and to the uninstaller.
expected_files=("$UNINSTALLER")
programs=()
for file in "$stage"/*; do
  expected_files+=("$(basename "$file")")
  [[ $file == *.exe ]] && programs+=("$(basename "$file")")
done
declare -A shortcut_target=(["Uninstall $PRODUCT.lnk"]=$UNINSTALLER)
for program in "${programs[@]}"; do
  case $program in
    ruz.exe) shortcut_target["$PRODUCT.lnk"]=$program ;;
    ruz-win32-room.exe) shortcut_target["$PRODUCT stand-in chat room.lnk"]=$program ;;
  esac
done

# --- install ------------------------------------------------------------------------------------
if ! timeout 120 wine "$setup" /S || ! timeout 120 wineserver -w; then
  fail "the installer failed or did not end"
fi
listing() { (cd "$1" 2>/dev/null && find . -mindepth 1 -printf '%P\n' | sort); }
# The folder $2 ($1: what it is) holds exactly the names that follow.
expect_listing() {
  local what=$1 folder=$2 want have
  shift 2
  want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
  have=$(listing "$folder" | tr '\n' ' ')
  if [[ $have == "$want" ]]; then
    ok "$what: $want"
  else
    fail "$what holds [$have], not [$want]"
  fi
}
expect_listing "the program folder $windows_instdir" "$instdir" "${expected_files[@]}"
for file in "${expected_files[@]}"; do
  if [[ -f $stage/$file ]] && ! cmp -s "$stage/$file" "$instdir/$file"; then
    fail "$file differs from the packed one"
  fi
done
expect_listing "the Start-menu folder" "$menu" "${!shortcut_target[@]}"
# A shortcut keeps its target's full path (in the code page's bytes).
for link in "${!shortcut_target[@]}"; do
  if [[ -f $menu/$link ]] &&
    ! grep -aqF "$windows_instdir\\${shortcut_target[$link]}" "$menu/$link"; then
    fail "$link does not point at ${shortcut_target[$link]}"
  fi
done
# The stand-in room's entry opens the Windows user's buddy list with it (the arguments are kept as
# UTF-16 or as bytes).
room_link="$PRODUCT stand-in chat room.lnk"
if [[ -n ${shortcut_target[$room_link]:-} ]] && [[ -f $menu/$room_link ]] &&
  ! tr -d '\0' <"$menu/$room_link" | grep -aqF -- "--buddy-list"; then
  fail "$room_link does not open the buddy list (--buddy-list)"
fi
key_value() {
  timeout 60 wine reg query "$UNINSTALL_KEY" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v v="$1" '$1 == v { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print }'
}
display_version=$(key_value DisplayVersion)
uninstall_string=$(key_value UninstallString)
if [[ $display_version == "$version" && $uninstall_string == "\"$windows_instdir\\$UNINSTALLER\"" ]]
then
  ok "uninstall entry: version $display_version, $uninstall_string"
else
  fail "uninstall entry: version [$display_version], uninstaller [$uninstall_string]"
fi

# --- DLLs of the system's names planted beside the programs --------------------------------------
# Windows' loader takes a DLL that is none of its "known DLLs" from the program's folder first;
# under Wine the native-first overrides do the same. A DLL that leaves a mark when loaded
# (ruz-planted.dll) lies beside the installed programs under the names of the system DLLs they use
# while they answer, play alone and sign on over TLS below; no mark may appear.
readonly PLANTED_DLLS=(msacm32 winmm secur32 crypt32 comctl32)
for dll in "${PLANTED_DLLS[@]}"; do
  cp "$build/ruz-planted.dll" "$instdir/$dll.dll"
done
overrides_before_planting=$WINEDLLOVERRIDES
planted_names=$(IFS=,; echo "${PLANTED_DLLS[*]}")
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$planted_names=n,b"

# --- the installed programs answer --------------------------------------------------------------
for program in "${programs[@]}"; do
  read -r class caption <<<"${answer_window[$program]:-* *}"
  out=$(mktemp "${TMPDIR:-/tmp}/ruz-install-check.XXXXXX")
  # The watcher's output goes to a file: a pipe would stay open in the programs it starts.
  rc=0
  timeout 90 wine "$watch" --timeout "$WINDOW_TIMEOUT_MS" "$class" "$caption" \
    "$windows_instdir\\$program" >"$out" 2>&1 || rc=$?
  said=$(tr -d '\r' <"$out" | tail -n 1)
  rm -f "$out"
  if ((rc == 0)); then
    ok "$program answers: $said"
  else
    fail "$program does not answer: $said (exit status $rc)"
  fi
done
timeout 60 wineserver -w || fail "programs still running after the watcher ended them"

# --- the Start-menu entry's program alone, as a new user meets it -------------------------------
# The prefix's Music folder is a link into the home folder: the throw-away prefix gets a folder of
# its own there instead, with the demo songs.
music=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Music ! -path '*/Public/*' |
  head -n 1)
entry_program=${shortcut_target["$PRODUCT.lnk"]:-}
if [[ -z $music || -z $entry_program ]]; then
  fail "no Music folder of the user, or no \"$PRODUCT\" entry"
else
  rm -f "$music"
  mkdir -p "$music"
  scripts/make-demo-songs.sh "$music" >/dev/null
  out=$(mktemp "${TMPDIR:-/tmp}/ruz-install-check.XXXXXX")
  timeout "$ALONE_CHECK_SECONDS" wine "$windows_instdir\\$entry_program" >/dev/null 2>&1 &
  alone_pid=$!
  rc=0
  timeout "$ALONE_CHECK_SECONDS" wine "$check" --own-room >"$out" 2>&1 || rc=$?
  said=$(tr -d '\r' <"$out" | tail -n 1)
  rm -f "$out"
  if ((rc == 0)); then
    ok "the \"$PRODUCT\" entry's $entry_program alone: $said"
  else
    fail "the \"$PRODUCT\" entry's $entry_program alone: $said (exit status $rc)"
    # The check did not end the player: it is ended here.
    kill "$alone_pid" 2>/dev/null || true
    timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  wait "$alone_pid" 2>/dev/null || true
  timeout 60 wineserver -w || fail "programs still running after the player ended"
fi

# --- ruz.exe signs on over TLS, with the planted DLLs beside it ---------------------------------
# An openssl server on a free port of 127.0.0.1 with a certificate ruz.exe is told to trust: the
# handshake (Schannel, secur32) and the certificate's check (crypt32) happen before the start-up
# question, which the server, speaking no IRC, lets come after the wait for its welcome.
if [[ -n $entry_program ]]; then
  tls=$(mktemp -d "${TMPDIR:-/tmp}/ruz-install-tls.XXXXXX")
  timeout 60 openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$tls/key.pem" -out "$tls/cert.pem" 2>/dev/null
  cp "$tls/cert.pem" "$WINEPREFIX/drive_c/ruz-install-ca.pem"
  port=
  for candidate in $(seq 47301 47500); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
      port=$candidate
      break
    fi
  done
  if [[ -z $port ]]; then
    fail "no free port for the TLS server"
  else
    timeout 120 openssl s_server -cert "$tls/cert.pem" -key "$tls/key.pem" \
      -accept "127.0.0.1:$port" -rev >"$tls/server.log" 2>&1 &
    server_pid=$!
    for _ in $(seq 50); do
      (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
      sleep 0.1
    done
    out=$(mktemp "${TMPDIR:-/tmp}/ruz-install-check.XXXXXX")
    rc=0
    timeout 90 wine "$watch" --timeout 60000 '#32770' '*' "$windows_instdir\\$entry_program" \
      --irc "127.0.0.1:$port" --tls --tls-ca 'C:\ruz-install-ca.pem' --nick ruz \
      --channel '#ruz' >"$out" 2>&1 || rc=$?
    said=$(tr -d '\r' <"$out" | tail -n 1)
    rm -f "$out"
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    if ((rc != 0)); then
      fail "$entry_program signed on over TLS did not ask its question: $said (exit status $rc)"
    elif ! grep -q "CONNECTION ESTABLISHED" "$tls/server.log"; then
      fail "$entry_program made no TLS handshake with the server on port $port:" \
        "$(tail -n 3 "$tls/server.log" | tr '\n' ' ')"
    else
      ok "$entry_program signed on over TLS (handshake with the server on port $port): $said"
    fi
  fi
  rm -rf "$tls" "$WINEPREFIX/drive_c/ruz-install-ca.pem"
  timeout 60 wineserver -w || fail "programs still running after the TLS sign-on"
fi
marks=$(cd "$instdir" && find . -maxdepth 1 -iname '*.loaded' -printf '%f ')
if [[ -z $marks ]]; then
  ok "no DLL planted beside the programs was loaded (${PLANTED_DLLS[*]})"
else
  fail "DLLs planted beside the programs were loaded: $marks"
fi
for dll in "${PLANTED_DLLS[@]}"; do
  rm -f "$instdir/$dll.dll"
done
find "$instdir" -maxdepth 1 -iname '*.loaded' -delete
export WINEDLLOVERRIDES=$overrides_before_planting

# --- over a running program ---------------------------------------------------------------------
# The installer and the uninstaller ask a running ruz.exe of the folder to close and go on once it
# has; one that does not close (ruz.exe showing its help, which has no main window to close) makes
# them fail with a non-zero exit status and change nothing.
# The uninstaller's own status, as NSIS gives it: run from a copy with the folder named (_?=, which
# must stand unquoted at the end, hence cmd); its usual run goes on from such a copy and ends at once.
uninstall_copy="C:\\ruz-uninstall-copy.exe"
uninstall_waited() {
  cp "$instdir/$UNINSTALLER" "$WINEPREFIX/drive_c/ruz-uninstall-copy.exe"
  timeout 120 wine cmd /c "$uninstall_copy /S _?=$windows_instdir"
}
# The window watcher leaves the installed program $1 running once the window named ($2 class, $3
# caption) shows; start_ruz: ruz.exe so.
start_installed() {
  local program=$1 class=$2 caption=$3 out rc=0
  shift 3
  out=$(mktemp "${TMPDIR:-/tmp}/ruz-install-check.XXXXXX")
  timeout 90 wine "$watch" --keep --timeout "$WINDOW_TIMEOUT_MS" "$class" "$caption" \
    "$windows_instdir\\$program" "$@" >"$out" 2>&1 || rc=$?
  tr -d '\r' <"$out" | tail -n 1
  rm -f "$out"
  return "$rc"
}
start_ruz() { start_installed ruz.exe "$@"; }
entry_kept() { timeout 60 wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1; }
if [[ " ${programs[*]} " == *" ruz.exe "* ]]; then
  # Installed programs that are not the packed ones (a byte more at their ends, which they run
  # with) tell whether the installer replaced them. The stand-in room runs beside ruz.exe.
  printf 'x' >>"$instdir/ruz.exe"
  printf 'x' >>"$instdir/ruz-win32-room.exe"
  if ! said=$(start_ruz '*' '*'); then
    fail "ruz.exe did not start before installing over it: $said"
  elif ! said=$(start_installed ruz-win32-room.exe AIM_ChatWnd '*'); then
    fail "ruz-win32-room.exe did not start before installing over it: $said"
  else
    rc=0
    timeout 120 wine "$setup" /S || rc=$?
    if ((rc != 0)); then
      fail "the installer over a running ruz.exe and room that close failed (exit status $rc)"
    elif ! timeout 60 wineserver -w; then
      fail "the installer over a running ruz.exe and room exited 0, and they still run"
    elif ! cmp -s "$stage/ruz.exe" "$instdir/ruz.exe" ||
      ! cmp -s "$stage/ruz-win32-room.exe" "$instdir/ruz-win32-room.exe"; then
      fail "the installer over a running ruz.exe and room exited 0, and an old program is left"
    else
      ok "installed over a running ruz.exe and stand-in room: asked to close, they ended, and" \
        "were replaced"
    fi
  fi
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  installed=$(listing "$instdir" | tr '\n' ' ')
  printf 'x' >>"$instdir/ruz.exe"
  if said=$(start_ruz '#32770' '*' --help); then
    rc=0
    timeout 120 wine "$setup" /S || rc=$?
    if ((rc == 0)); then
      fail "the installer over a ruz.exe that does not close exited 0"
    elif cmp -s "$stage/ruz.exe" "$instdir/ruz.exe"; then
      fail "the installer over a ruz.exe that does not close replaced it"
    else
      ok "the installer over a ruz.exe that does not close failed (exit status $rc)"
    fi
    rc=0
    uninstall_waited || rc=$?
    if ((rc == 0)); then
      fail "the uninstaller beside a ruz.exe that does not close exited 0"
    elif [[ $(listing "$instdir" | tr '\n' ' ') != "$installed" ]] || ! entry_kept; then
      fail "the uninstaller beside a ruz.exe that does not close removed" \
        "[$(listing "$instdir" | tr '\n' ' ')] left, uninstall entry: $(entry_kept && echo kept || echo gone)"
    else
      ok "the uninstaller beside a ruz.exe that does not close failed (exit status $rc)," \
        "files and uninstall entry kept"
    fi
  else
    fail "ruz.exe --help did not show before installing over it: $said"
  fi
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  # Back to the packed program for what follows.
  timeout 120 wine "$setup" /S >/dev/null 2>&1 || fail "the installer failed once nothing ran"
  timeout 60 wineserver -w || true
fi

# --- uninstall ----------------------------------------------------------------------------------
# The uninstaller copies itself to the temporary folder and goes on from there: waiting for the
# wineserver waits for that copy. ruz.exe runs meanwhile (at its start-up question): the
# uninstaller closes it and removes it.
if [[ " ${programs[*]} " == *" ruz.exe "* ]] && ! said=$(start_ruz '*' '*'); then
  fail "ruz.exe did not start before uninstalling: $said"
fi
if ! timeout 120 wine "$instdir/$UNINSTALLER" /S || ! timeout 120 wineserver -w; then
  fail "the uninstaller failed or did not end"
fi
left=()
[[ -e $instdir ]] && left+=("$windows_instdir: $(listing "$instdir" | tr '\n' ' ')")
[[ -e $menu ]] && left+=("the Start-menu folder: $(listing "$menu" | tr '\n' ' ')")
timeout 60 wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1 && left+=("the uninstall entry")
if ((${#left[@]} == 0)); then
  ok "uninstalled: no program folder, Start-menu folder or uninstall entry left"
else
  fail "left after uninstalling: ${left[*]}"
fi

finished=1
if ((failures == 0)); then
  echo "wine-install-check: passed: $name-setup.exe installed ${#expected_files[@]} files and" \
    "${#shortcut_target[@]} shortcuts, ${#programs[@]} programs answered, the player alone" \
    "obeyed its own room, no DLL planted beside them loaded, a running ruz.exe closed or" \
    "refused, all removed" \
    "($((SECONDS - started)) s)"
else
  echo "wine-install-check: FAILED: $failures failures ($((SECONDS - started)) s)"
  exit 1
fi
