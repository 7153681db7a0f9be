#!/usr/bin/env bash
# Sets up, builds and starts TambrelOrchestra with the sample Orchestra.
# Without a display (no $DISPLAY or $WAYLAND_DISPLAY) it shows the sample
# through tborc instead and renders its recording to a wave file. Builds only
# the program folder (target "program"); scripts/test.sh builds the rest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh --target program
bin=build/bin
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/TambrelOrchestra" ]; then
  exec "$bin/TambrelOrchestra" "$@"
fi
sample="$bin/Samples/Sample1.TbOrc"
echo "No display: the main window needs a desktop. The sample, through tborc:"
echo "== $sample"
"$bin/tborc" dump "$sample"
"$bin/tborc" render "$sample" --recording 1 -o build/Sample1.wav
echo "== its recording, rendered:"
"$bin/tborc" wav-info build/Sample1.wav
