#!/usr/bin/env bash
# A private PipeWire graph for the tests: a D-Bus session bus, the PipeWire
# daemon, WirePlumber and pipewire-pulse under a runtime folder of their own,
# with a null sink "tambrel-test-sink" as the default output. No desktop is
# needed, and root works too (the folder is private).
#
#   pipewire_stack.sh start DIR   # starts the stack; DIR/env says how to reach it
#   pipewire_stack.sh stop DIR    # stops every daemon it started, removes DIR
#
# start always ends with status 0: when the stack cannot start, DIR/unavailable
# holds the reason and the tests skip with it (see pipewire_test_env.sh).
set -uo pipefail

cmd="${1:-}"
dir="${2:-}"
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

sink=tambrel-test-sink

stop() {
  if [ -f "$dir/pids" ]; then
    # Last started first: the clients before the daemon they talk to.
    tac "$dir/pids" | while read -r pid; do kill -TERM "$pid" 2>/dev/null; done
    for _ in $(seq 50); do
      alive=0
      while read -r pid; do kill -0 "$pid" 2>/dev/null && alive=1; done < "$dir/pids"
      [ "$alive" -eq 0 ] && break
      sleep 0.1
    done
    while read -r pid; do kill -KILL "$pid" 2>/dev/null; done < "$dir/pids"
  fi
  rm -rf "$dir"
}

unavailable() {
  echo "$*" > "$dir/unavailable"
  echo "PipeWire stack not started: $*"
  # What was started is stopped again; the reason stays for the tests.
  if [ -f "$dir/pids" ]; then
    tac "$dir/pids" | while read -r pid; do kill -KILL "$pid" 2>/dev/null; done
    rm -f "$dir/pids"
  fi
  exit 0
}

# Starts a daemon in its own session, its output in DIR/NAME.log.
spawn() {
  local name="$1"; shift
  setsid "$@" > "$dir/$name.log" 2>&1 < /dev/null &
  echo $! >> "$dir/pids"
}

wait_for() { # seconds, command...
  local tries=$(($1 * 10)); shift
  for _ in $(seq "$tries"); do "$@" > /dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

start() {
  [ -d "$dir" ] && stop
  mkdir -p "$dir/runtime"
  chmod 700 "$dir/runtime"
  for p in pipewire wireplumber pipewire-pulse pw-cli pactl dbus-daemon; do
    command -v "$p" > /dev/null || unavailable "$p is not installed (scripts/setup.sh installs it)"
  done
  export XDG_RUNTIME_DIR="$dir/runtime"
  export PIPEWIRE_RUNTIME_DIR="$dir/runtime"
  export PULSE_RUNTIME_PATH="$dir/runtime/pulse"
  unset PIPEWIRE_REMOTE PULSE_SERVER
  # WirePlumber keeps its state under XDG_STATE_HOME: not the user's.
  export XDG_STATE_HOME="$dir/state"
  export HOME="$dir/home"
  mkdir -p "$XDG_STATE_HOME" "$HOME"

  local bus="unix:path=$dir/runtime/bus"
  spawn dbus dbus-daemon --session --nofork --nopidfile --address="$bus"
  export DBUS_SESSION_BUS_ADDRESS="$bus"
  wait_for 5 test -S "$dir/runtime/bus" || unavailable "the D-Bus session bus did not start: $(tail -3 "$dir/dbus.log")"

  spawn pipewire pipewire
  wait_for 5 pw-cli info 0 || unavailable "the PipeWire daemon did not start: $(tail -3 "$dir/pipewire.log")"
  spawn wireplumber wireplumber
  spawn pipewire-pulse pipewire-pulse

  pw-cli create-node adapter "{ factory.name=support.null-audio-sink node.name=$sink
      node.description=\"Tambrel Test Sink\" media.class=Audio/Sink object.linger=true
      audio.position=[FL FR] audio.rate=48000 }" > "$dir/sink.log" 2>&1 ||
    unavailable "the null sink could not be made: $(tail -3 "$dir/sink.log")"
  # WirePlumber makes the only sink the default one; the pulse layer says so.
  wait_for 10 sh -c "pactl info 2>/dev/null | grep -q 'Default Sink: $sink'" ||
    unavailable "WirePlumber or pipewire-pulse did not come up: $(tail -3 "$dir/wireplumber.log" "$dir/pipewire-pulse.log")"

  cat > "$dir/env" <<EOF
export XDG_RUNTIME_DIR='$dir/runtime'
export PIPEWIRE_RUNTIME_DIR='$dir/runtime'
export PULSE_RUNTIME_PATH='$dir/runtime/pulse'
export DBUS_SESSION_BUS_ADDRESS='$bus'
export TAMBREL_TEST_SINK='$sink'
unset PIPEWIRE_REMOTE PULSE_SERVER SDL_AUDIODRIVER
EOF
  echo "PipeWire stack running in $dir (sink $sink)"
}

case "$cmd" in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
