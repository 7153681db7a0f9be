#!/usr/bin/env bash
# One real program per user, without a lock-out: a second start hands over
# to the running one and ends with status 0; nothing another program put at
# the old guessable place in the temporary folder, or at the socket's own
# path, keeps the program from starting; a running one of this user that
# does not answer is refused with status 1. Without XDG_RUNTIME_DIR, under
# Xvfb from a copy of the program folder.
#
#   single_instance_xvfb.sh PROGRAM_FOLDER [SHOTS_FOLDER]
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
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$tmp"/log*; do [ -f "$f" ] && sed "s/^/  $(basename "$f"): /" "$f"; done; exit 1; }

mkdir -p "$tmp/bin" "$tmp/home" "$tmp/tmp"
cp "$bin/TambrelOrchestra" "$bin/TambrelOrchestraDll" "$tmp/bin/" || fail "program folder incomplete"
cp "$bin"/*.sty "$bin"/*.html "$tmp/bin/" 2>/dev/null
printf 'mouse\n' > "$tmp/devices.txt"
cat > "$tmp/server.sh" <<EOF
#!/bin/sh
exec '$tmp/bin/TambrelOrchestraDll' "\$@" --virtual '$tmp/devices.txt'
EOF
chmod +x "$tmp/server.sh"
uid=$(id -u)
socket="$tmp/home/.cache/TambrelOrchestra/TambrelOrchestra-$uid"

# Starts the program (no sample: a new Orchestra) in the background; $! is its pid.
launch() {
  env -u XDG_RUNTIME_DIR -u XDG_CACHE_HOME HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" TMPDIR="$tmp/tmp" \
    XDG_STATE_HOME="$tmp/home/.local/state" TAMBREL_INPUT_SERVER="$tmp/server.sh" SDL_AUDIODRIVER=dummy \
    QT_QPA_PLATFORM=xcb "$tmp/bin/TambrelOrchestra" > "$tmp/log$1" 2>&1 &
}
# Waits up to $2 tenths of a second for pid $1 to end; $status is its
# status then, or "running".
wait_end() {
  local waited=0
  while kill -0 "$1" 2>/dev/null && [ $waited -lt "$2" ]; do sleep 0.1; waited=$((waited + 1)); done
  if kill -0 "$1" 2>/dev/null; then status=running; return; fi
  wait "$1"; status=$?
}
main_window() { wait_window 20 'Tambrel Orchestra - \[New\]'; }

# A listener at $1 that answers $2 to whoever connects (another program
# pretending to be the running instance).
listener() {
  python3 - "$1" "$2" <<'EOF' &
import os, socket, sys
path, answer = sys.argv[1], sys.argv[2].encode().decode('unicode_escape').encode()
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind(path); s.listen(4)
while True:
    c, _ = s.accept()
    if answer: c.sendall(answer)
EOF
  pids+=($!); disown $!
  for _ in $(seq 50); do [ -S "$1" ] && return; sleep 0.1; done
  fail "the listener at $1 did not start"
}

# What the old program took for a running instance: a listener at the
# guessable name in the temporary folder, answering as the program does.
listener "$tmp/tmp/TambrelOrchestra-$uid" 'raised\n'
# And a plain file at the socket's own path, in a private folder made early.
mkdir -p "$(dirname "$socket")" && chmod 700 "$(dirname "$socket")" && echo junk > "$socket"
launch 1; first=$!; pids+=($first)
[ -n "$(main_window)" ] || fail "the program did not start beside what others left at the old place"
[ -S "$socket" ] || fail "the program is not listening at its private path"
[ "$(stat -c %a "$(dirname "$socket")")" = 700 ] || fail "the private folder is open to others"
echo "a foreign listener in the temporary folder and a file at the path lock nobody out"

# A second start hands over to the running one and ends.
launch 2; second=$!
wait_end $second 100
[ "$status" = 0 ] || fail "the second start did not hand over and end with status 0"
kill -0 $first 2>/dev/null || fail "the running program ended"
echo "a second start hands over and ends with status 0"

# This user's program that does not answer: refused, with status 1.
kill -KILL $first; wait $first 2>/dev/null
rm -f "$socket"
listener "$socket" ''
launch 3; third=$!
box=$(wait_window 20 '^Second Tambrel Orchestra$')
[ -n "$box" ] || fail "the refusal was not shown"
[ -n "$shots" ] && mkdir -p "$shots" && import -window root "$shots/second-instance-refused.png"
xdotool windowfocus --sync "$box" key Return
wait_end $third 50
[ "$status" = 1 ] || fail "a refusal did not end with status 1"
echo "a running one that does not answer is refused with status 1"
echo "PASS"
