#!/usr/bin/env bash
# The real program on a private PipeWire graph: its stream is named for the
# desktop's mixers, plays through PipeWire itself with the buffer chosen in
# the settings, and a key press is heard at the sink.
#
#   live_sound_test.sh STACK_DIR PROGRAM_FOLDER TOOLS_DIR WAVES_DIR
set -uo pipefail
source "$(dirname "$0")/pipewire_test_env.sh"

for frames in 128 64; do
  settings "[Audio]\nBufferFrames=$frames\n"
  start_program
  [ "$(node application.name)" = "Tambrel Orchestra" ] || fail "application.name is '$(node application.name)'"
  [ "$(node application.icon-name)" = "tambrel-orchestra" ] || fail "no icon name: '$(node application.icon-name)'"
  [ "$(node media.role)" = "Production" ] || fail "media.role is '$(node media.role)'"
  [ "$(node node.latency)" = "$frames/48000" ] ||
    fail "with BufferFrames=$frames the node's latency is '$(node node.latency)'"

  tap_start
  mark before
  sleep 0.5
  mark press
  press 3
  sleep 0.5
  mark after
  tap_end
  quiet before || fail "sound at the sink before any press ($(level before))"
  loud press || fail "the press of key 3 was not heard at the sink ($(level press))"
  stop_program
  echo "ok: $frames frames, the stream named, a press heard at the sink ($(level press))"
done
