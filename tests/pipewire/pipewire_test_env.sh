# Sourced by the tests on the private PipeWire graph (pipewire_stack.sh).
#
#   source pipewire_test_env.sh STACK_DIR PROGRAM_FOLDER TOOLS_DIR WAVES_DIR
#
# Skips the test (status 77, with the reason) when the stack did not start.
# Then: $tmp is a fresh folder removed at the end; $tmp/bin a copy of the
# program folder whose input server reads the device script $tmp/devices
# (a FIFO: `press KEY` writes to it); the Orchestra $tmp/live.TbOrc has a
# kick on key 3 and a bass loop (until pressed again) on keys 20 to 119 of
# the keyboard.
stack="$1" bin="$2" tools="$3" waves="$4"
if [ -f "$stack/unavailable" ]; then
  echo "skipped: $(cat "$stack/unavailable")"
  exit 77
fi
if [ ! -f "$stack/env" ]; then
  echo "skipped: the PipeWire stack was not started (run the PipeWire.StartStack fixture)"
  exit 77
fi
source "$stack/env"
sink="$TAMBREL_TEST_SINK"
sinktap="$tools/sinktap"
# Under the sanitizers, leaks inside system libraries are not the program's.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")/../app" && pwd)/lsan-system-libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

tmp=$(mktemp -d)
pid=""
tappid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$tappid" ] && kill -KILL "$tappid" 2>/dev/null
  exec 4>&- 5>&- 2>/dev/null
  [ -n "${KEEP_TMP:-}" ] && echo "kept $tmp" || rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$tmp/log" ] && sed 's/^/  program: /' "$tmp/log" | grep -v propagateSizeHints
  exit 1
}

mkdir -p "$tmp/bin" "$tmp/home" "$tmp/config"
cp "$bin/TambrelOrchestra" "$bin/TambrelOrchestraDll" "$bin"/*.sty "$bin"/*.html "$tmp/bin/" || fail "program folder incomplete"

keys=""
for k in $(seq 20 119); do
  keys="$keys, \"$k\": {\"SndSrc\": 1, \"WavFile\": \"BassLoop.wav\", \"PlayStyl\": 2, \"LoopOption\": 0}"
done
cp "$waves/Kick.wav" "$waves/BassLoop.wav" "$tmp/"
cat > "$tmp/live.json" <<JSON
{"OpenMsg": "", "CurSet": 1, "PlayBoards": [{"SetNam": "Live", "Bds": [{"InpDev": "Keyboard",
 "Keys": {"3": {"SndSrc": 1, "WavFile": "Kick.wav", "PlayStyl": 0, "AllowDup": 1}$keys}}]}]}
JSON
"$bin/tborc" build "$tmp/live.json" -o "$tmp/live.TbOrc" || fail "tborc could not build the test Orchestra"

# The input server reads its devices from a FIFO the test writes presses into.
mkfifo "$tmp/devices"
cat > "$tmp/server.sh" <<SH
#!/bin/sh
exec '$tmp/bin/TambrelOrchestraDll' "\$@" --virtual '$tmp/devices'
SH
chmod +x "$tmp/server.sh"

# settings TEXT: the settings file beside the program.
settings() { printf '%b' "$1" > "$tmp/bin/TambrelOrchestra.ini"; }

# start_program [QT_PLATFORM]: starts the program on live.TbOrc and waits
# until its stream plays into the graph.
start_program() {
  exec 4<> "$tmp/devices"
  printf 'keyboard\nmouse\n' >&4
  HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" TAMBREL_INPUT_SERVER="$tmp/server.sh" \
    QT_QPA_PLATFORM="${1:-offscreen}" "$tmp/bin/TambrelOrchestra" "$tmp/live.TbOrc" > "$tmp/log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    if pw-dump 2>/dev/null | "$sinktap" node "Tambrel Orchestra" > /dev/null 2>&1; then
      sleep 1 # the input devices go on at the end of the start
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || fail "the program ended at its start"
    sleep 0.1
  done
  fail "the program's stream never appeared in the PipeWire graph"
}

# node KEY: the program's stream's property KEY, as pw-dump shows it now.
node() { pw-dump 2>/dev/null | "$sinktap" node "Tambrel Orchestra" | sed -n "s/^$1=//p"; }

# press KEY: a press of the keyboard's key KEY through the input server.
press() { printf 'event 1 %s 1\n' "$1" >&4; }

# Listening at the sink: tap_start, then `mark LABEL` lines, then tap_end
# prints "LABEL PEAK" for every stretch between marks.
tap_start() {
  rm -f "$tmp/tapctl"
  mkfifo "$tmp/tapctl"
  "$sinktap" watch "$sink" < "$tmp/tapctl" > "$tmp/levels" 2> "$tmp/taperr" &
  tappid=$!
  exec 5> "$tmp/tapctl"
  sleep 0.3
}
mark() { echo "mark $1" >&5; }
tap_end() {
  exec 5>&-
  wait "$tappid" || fail "sinktap: $(cat "$tmp/taperr")"
  tappid=""
  cat "$tmp/levels"
}
# level LABEL: the peak of that stretch.
level() { sed -n "s/^$1 //p" "$tmp/levels"; }
# loud LABEL / quiet LABEL: the stretch had sound / none at all.
loud() { awk -v l="$(level "$1")" 'BEGIN { exit !(l > 0.01) }'; }
quiet() { awk -v l="$(level "$1")" 'BEGIN { exit !(l == 0) }'; }

stop_program() {
  kill -TERM "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "the program did not close on SIGTERM"
  wait "$pid"; local status=$?
  pid=""
  exec 4>&-
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
}
