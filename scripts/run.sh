#!/usr/bin/env bash
# Sets up, builds and runs the program. Until the main window exists, this
# shows the sample Orchestra through tborc and renders its recording to a wave file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bin=build/bin
sample="$bin/Samples/Sample1.TbOrc"
echo "== $sample"
"$bin/tborc" dump "$sample"
"$bin/tborc" render "$sample" --recording 1 -o build/Sample1.wav
echo "== its recording, rendered:"
"$bin/tborc" wav-info build/Sample1.wav
