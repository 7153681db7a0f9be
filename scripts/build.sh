#!/usr/bin/env bash
# Configures and builds into build/ (programs and data files in build/bin/).
#   scripts/build.sh [--target TARGET]... [CMAKE_OPTION]...
# Without --target everything is built, tests and benchmarks included;
# `--target program` builds only what the program folder needs.
# TAMBREL_WERROR=ON in the environment turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=()
while [ $# -ge 2 ] && [ "$1" = --target ]; do
  targets+=(--target "$2")
  shift 2
done
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBREL_WERROR="${TAMBREL_WERROR:-OFF}" "$@" >/dev/null
cmake --build build -j"$(nproc)" "${targets[@]}"
