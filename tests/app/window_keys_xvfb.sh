#!/usr/bin/env bash
# Real key events through a real X server: with no keyboard the input server
# can read, the main window plays its own key presses while it has the focus.
# Starts TambrelOrchestra from a copy of the program folder under Xvfb, SDL's
# disk driver writing the sound into a file, and presses keys with xdotool.
#
#   window_keys_xvfb.sh PROGRAM_FOLDER
set -uo pipefail
source "$(dirname "$0")/xvfb_windows.sh"
bin="$1"
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "Xvfb and xdotool are needed"; exit 1
fi
if [ -z "${TAMBREL_IN_XVFB:-}" ]; then
  TAMBREL_IN_XVFB=1 exec bash "$(dirname "$0")/in_xvfb.sh" bash "$0" "$@"
fi

# Under the sanitizers, leaks inside system libraries are not the program's.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-system-libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

tmp=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$tmp/log" ] && sed 's/^/  program: /' "$tmp/log"; exit 1; }

mkdir -p "$tmp/bin" "$tmp/home" "$tmp/config" "$tmp/runtime"
chmod 700 "$tmp/runtime"
cp "$bin/TambrelOrchestra" "$bin/TambrelOrchestraDll" "$bin"/*.sty "$tmp/bin/" || fail "program folder incomplete"
cp -r "$bin/Samples" "$tmp/bin/"
cp "$bin"/*.html "$tmp/bin/" 2>/dev/null

# The input server reads its devices from this script.
# While the file "noserver" exists it cannot start (it ends at once).
cat > "$tmp/server.sh" <<EOF
#!/bin/sh
[ -e '$tmp/noserver' ] && exit 1
exec '$tmp/bin/TambrelOrchestraDll' "\$@" --virtual '$tmp/devices.txt'
EOF
chmod +x "$tmp/server.sh"

# Starts the program with the device script $1 and waits for its main window.
start_program() {
  printf '%b' "$1" > "$tmp/devices.txt"
  rm -f "$tmp/out.raw"
  HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime" \
    TAMBREL_INPUT_SERVER="$tmp/server.sh" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$tmp/out.raw" \
    QT_QPA_PLATFORM=xcb "$tmp/bin/TambrelOrchestra" > "$tmp/log" 2>&1 &
  pid=$!
  # The open sample greets with its message, a modal dialog that takes the
  # keys; the caption names the file once it is closed.
  msg=$(wait_window 20 'Opening Message')
  [ -n "$msg" ] || fail "the sample's greeting did not show"
  xdotool windowfocus --sync "$msg" key Escape
  win=$(wait_window 10 'Sample1')
  [ -n "$win" ] || fail "the main window did not show the sample"
  sleep 1 # the input devices go on after the sample opened
  xdotool windowfocus --sync "$win"
  sleep 0.3
}

# The session's end is a close request; an unchanged Orchestra closes
# without a question, with status 0.
stop_program() {
  kill -TERM "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "the program did not close on SIGTERM"
  wait "$pid"; status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after a normal close"
}

# Bytes after offset $1 of the sound file that are not silence.
sound_after() { tail -c +"$(($1 + 1))" "$tmp/out.raw" | tr -d '\000' | wc -c; }

# Sends key $1 to the main window; prints how much sound followed.
press() {
  local at
  at=$(stat -c %s "$tmp/out.raw")
  xdotool key --window "$win" --clearmodifiers "$1"
  sleep 0.6
  sound_after "$at"
}

# Only a mouse: no keyboard the server reads, so the window plays its keys.
start_program 'mouse\n'
at=$(stat -c %s "$tmp/out.raw")
sleep 0.5
[ "$(sound_after "$at")" -eq 0 ] || fail "the program sounded before any key was pressed"
[ "$(press 1)" -gt 0 ] || fail "pressing 1 in the main window played nothing"
echo "pressing 1 in the main window plays"
sleep 1 # the kick has ended
[ "$(press z)" -eq 0 ] || fail "a key with nothing assigned sounded"
echo "a key with nothing assigned stays silent"
stop_program
echo "SIGTERM closes the program with status 0"

# A keyboard the server reads is never fed twice: the window's own key
# events then play nothing (that keyboard's presses come from the server).
start_program 'keyboard\nmouse\n'
[ "$(press 1)" -eq 0 ] || fail "the window fed a keyboard the server reads"
echo "a keyboard the server reads is not fed by the window"
stop_program

# The input server comes back. Its script presses "1" (key 2) 0.8 s after
# the devices go on, so each server that starts and switches on plays once.
server_pid() { pgrep -P "$pid" -f TambrelOrchestraDll | head -1; }
# Waits up to $2 seconds for sound after offset $1.
sounds_within() {
  for _ in $(seq $(($2 * 10))); do [ "$(sound_after "$1")" -gt 0 ] && return 0; sleep 0.1; done
  return 1
}
start_program 'keyboard\nmouse\nwait-acquire\nwait 800\nevent 1 2 1\nevent 1 2 0\n'
sounds_within 0 5 || fail "the input server's press did not sound"
first=$(server_pid)
[ -n "$first" ] || fail "no input server beside the program"
sleep 1.5 # the kick has ended
at=$(stat -c %s "$tmp/out.raw")
kill -KILL "$first"
sounds_within "$at" 10 || fail "after kill -9 of the input server no press sounded again"
second=$(server_pid)
[ -n "$second" ] && [ "$second" != "$first" ] || fail "no new input server"
echo "a killed input server is replaced at once and its presses sound"

# While no server can start, the window's keys play; one that can start
# again later comes back by itself.
touch "$tmp/noserver"
sleep 1.5
kill -KILL "$second"
sleep 0.5
[ -z "$(server_pid)" ] || fail "a server started although it could not"
[ "$(press 1)" -gt 0 ] || fail "with the server away, pressing 1 in the main window played nothing"
echo "with the input server away the window's keys play"
rm -f "$tmp/noserver"
sleep 1.5
at=$(stat -c %s "$tmp/out.raw")
sounds_within "$at" 30 || fail "the input server did not come back by itself"
[ -n "$(server_pid)" ] || fail "no input server after it came back"
echo "the input server comes back by itself once it can start"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
stop_program
echo "PASS"
