#!/usr/bin/env bash
# The real program ended by SIGTERM, SIGHUP and SIGINT with unsaved changes:
# it asks nothing, keeps them as a recovery copy, writes its settings and
# ends with status 0 within two seconds, also while a modal dialog is open.
# The next start asks about the copy: Yes opens it (still unsaved), No
# deletes it. Runs the program from a copy of the program folder under Xvfb,
# changing the sample Orchestra through its menus with xdotool.
#
#   close_signals_xvfb.sh PROGRAM_FOLDER [SHOTS_FOLDER]
set -uo pipefail
source "$(dirname "$0")/xvfb_windows.sh"
bin="$1"
shots="${2:-}"
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "Xvfb and xdotool are needed"; exit 1
fi
if [ -z "${TAMBREL_IN_XVFB:-}" ]; then
  TAMBREL_IN_XVFB=1 exec bash "$(dirname "$0")/in_xvfb.sh" bash "$0" "$@"
fi
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-system-libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

tmp=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$tmp/log" ] && sed 's/^/  program: /' "$tmp/log"; exit 1; }

mkdir -p "$tmp/bin" "$tmp/home" "$tmp/config" "$tmp/runtime" "$tmp/state"
chmod 700 "$tmp/runtime"
cp "$bin/TambrelOrchestra" "$bin/TambrelOrchestraDll" "$tmp/bin/" || fail "program folder incomplete"
cp "$bin"/*.sty "$bin"/*.html "$tmp/bin/" 2>/dev/null
cp -r "$bin/Samples" "$tmp/bin/"
sample="$tmp/bin/Samples/Sample1.TbOrc"
recovery="$tmp/state/TambrelOrchestra"
printf 'mouse\n' > "$tmp/devices.txt"
cat > "$tmp/server.sh" <<EOF
#!/bin/sh
exec '$tmp/bin/TambrelOrchestraDll' "\$@" --virtual '$tmp/devices.txt'
EOF
chmod +x "$tmp/server.sh"

play_boards() { "$bin/tborc" dump "$1" | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["PlayBoards"]))'; }
copies() { ls "$recovery"/*.TbOrc 2>/dev/null; }
shot() { [ -n "$shots" ] && mkdir -p "$shots" && import -window root "$shots/$1.png"; }

# Starts the program and waits for its main window ($win).
start_program() {
  HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" XDG_STATE_HOME="$tmp/state" \
    TAMBREL_INPUT_SERVER="$tmp/server.sh" SDL_AUDIODRIVER=dummy \
    QT_QPA_PLATFORM=xcb "$tmp/bin/TambrelOrchestra" > "$tmp/log" 2>&1 &
  pid=$!
  msg=$(wait_window 20 'Opening Message')
  [ -n "$msg" ] || fail "the sample's greeting did not show"
  xdotool windowfocus --sync "$msg" key Escape
}
main_window() {
  win=$(wait_window 10 'Tambrel Orchestra - \[Sample1')
  [ -n "$win" ] || fail "the main window did not show the sample"
  xdotool windowfocus --sync "$win"
  sleep 0.5
}
# Opens menu $1 of the main window's menu bar, at x = $2, with the pointer:
# after a message box was answered from the keyboard, a bare Xvfb (no window
# manager to hand the focus back) leaves the window's keys dead for Qt,
# while a click works as it does for a user.
open_menu() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove "$((X + $2))" "$((Y + 8))" click 1
  sleep 0.5
}
# PlayTable > Add: a copy of the active Play Board, an unsaved change.
add_play_board() {
  open_menu PlayTable 72
  xdotool key --clearmodifiers a
  sleep 0.5
}
# Sends signal $1 and checks the program ends with status 0 within 2 s.
end_by() {
  kill -"$1" "$pid"
  local waited=0
  while kill -0 "$pid" 2>/dev/null && [ $waited -lt 20 ]; do sleep 0.1; waited=$((waited + 1)); done
  kill -0 "$pid" 2>/dev/null && fail "SIG$1 did not end the program within 2 seconds"
  wait "$pid"; local status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "SIG$1 ended the program with status $status"
}
# The recovery question: answers it with $1 (alt+y or alt+n).
answer_recovery() {
  box=$(wait_window 10 '^Tambrel Orchestra$')
  [ -n "$box" ] || fail "the recovery question did not show"
  [ -n "${2:-}" ] && shot "$2"
  xdotool windowfocus --sync "$box" key --clearmodifiers "$1"
}

boards=$(play_boards "$sample")

# An unsaved change, then the session ends.
start_program; main_window
add_play_board
end_by TERM
[ "$(copies | wc -l)" -eq 1 ] || fail "SIGTERM kept no recovery copy"
[ "$(play_boards "$(copies)")" -eq $((boards + 1)) ] || fail "the recovery copy lacks the change"
[ "$(stat -c %a "$recovery")" = 700 ] || fail "the recovery folder is open to others"
grep -q '^WindowSizPos=' "$tmp/bin/TambrelOrchestra.ini" || fail "the settings were not written"
cmp -s "$sample" "$bin/Samples/Sample1.TbOrc" || fail "the original file was changed"
echo "SIGTERM keeps the unsaved changes and ends with status 0 within 2 s"

# Yes opens them, still unsaved: the next signal keeps them again.
start_program
answer_recovery alt+y recovery-question
main_window
end_by HUP
[ "$(copies | wc -l)" -eq 1 ] || fail "the opened copy was not replaced by one new copy"
[ "$(play_boards "$(copies)")" -eq $((boards + 1)) ] || fail "Yes did not open the kept changes"
echo "Yes opens the kept changes, marked unsaved; SIGHUP keeps them again"

# A signal while the save question of File > Exit is open.
start_program
answer_recovery alt+n
main_window
[ -z "$(copies)" ] || fail "No did not delete the recovery copy"
echo "No deletes the recovery copy"
add_play_board
open_menu File 20
xdotool key --clearmodifiers x
q=$(wait_window 10 '^Tambrel Orchestra$')
[ -n "$q" ] || fail "File > Exit did not ask about the changes"
shot save-question-before-sigint
end_by INT
[ "$(copies | wc -l)" -eq 1 ] || fail "SIGINT during the save question kept no copy"
echo "SIGINT while the save question is open ends in time and keeps the changes"

# An unchanged Orchestra leaves nothing behind.
start_program
answer_recovery alt+n
main_window
end_by TERM
[ -z "$(copies)" ] || fail "an unchanged Orchestra left a recovery copy"
echo "PASS"
