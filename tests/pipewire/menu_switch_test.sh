#!/usr/bin/env bash
# Switching the output and its buffer from the "Audio Output" menu, by the
# keyboard under Xvfb, while a hundred loops play: the program neither
# crashes nor leaves a voice sounding, the new output plays, and the choice
# is kept.
#
#   menu_switch_test.sh STACK_DIR PROGRAM_FOLDER TOOLS_DIR WAVES_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v Xvfb > /dev/null || ! command -v xdotool > /dev/null; then
  echo "skipped: Xvfb and xdotool are needed"
  exit 77
fi
if [ -z "${TAMBREL_IN_XVFB:-}" ]; then
  TAMBREL_IN_XVFB=1 exec bash "$here/../app/in_xvfb.sh" bash "$0" "$@"
fi
source "$here/pipewire_test_env.sh"
source "$here/../app/xvfb_windows.sh"

loops() { for k in $(seq 20 119); do press "$k"; done; }
alive() { kill -0 "$pid" 2> /dev/null || fail "the program ended while switching ($1)"; }

start_program xcb
win=$(wait_window 20 'live.TbOrc') || fail "the main window did not show"
xdotool windowfocus --sync "$win"
sleep 0.3

tap_start
mark silent
sleep 0.4
mark loops
loops
sleep 0.8
# Audio Output > the test sink: the menu opens on "Default".
mark to-device
xdotool key alt+a
sleep 0.4
xdotool key Down Return
sleep 1
mark after-device
sleep 0.6
alive "to the sink"
mark loops-again
loops
sleep 0.8
# Audio Output > Buffer > 128 frames: the submenu opens on 64.
mark to-buffer
xdotool key alt+a
sleep 0.4
xdotool key Down Down Right
sleep 0.4
xdotool key Down Return
sleep 1
mark after-buffer
sleep 0.6
mark end
tap_end
alive "to 128 frames"

quiet silent || fail "sound at the sink before any press"
loud loops || fail "the hundred loops were not heard"
quiet after-device || fail "a voice sounded on after switching the device ($(level after-device))"
loud loops-again || fail "the loops did not play through the new device"
quiet after-buffer || fail "a voice sounded on after switching the buffer ($(level after-buffer))"
[ "$(node node.latency)" = "128/48000" ] || fail "the new buffer is not the node's latency: '$(node node.latency)'"
grep -q '^Device=Tambrel Test Sink' "$tmp/bin/TambrelOrchestra.ini" || fail "the device chosen was not kept"
grep -q '^BufferFrames=128' "$tmp/bin/TambrelOrchestra.ini" || fail "the buffer chosen was not kept"
stop_program
echo "ok: output and buffer switched under a hundred loops, no voice left sounding"
