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
#   - the uninstaller, run silently, leaves none of it behind.
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
ruz_cross_build "$build" ruz-window-watch ruz-desktop-check
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

# --- uninstall ----------------------------------------------------------------------------------
# The uninstaller copies itself to the temporary folder and goes on from there: waiting for the
# wineserver waits for that copy.
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
    "obeyed its own room, all removed" \
    "($((SECONDS - started)) s)"
else
  echo "wine-install-check: FAILED: $failures failures ($((SECONDS - started)) s)"
  exit 1
fi
