#!/usr/bin/env bash
# Sets up, builds and runs the program. Until the main window exists, this
# shows the sample Orchestras through tborc.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bin=build/bin
for orc in "$bin"/Samples/*.TbOrc; do
  echo "== $orc"
  "$bin/tborc" dump "$orc"
done
