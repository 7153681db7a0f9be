#!/usr/bin/env bash
# Sets up, builds and runs every test: once plainly, once under
# AddressSanitizer + UndefinedBehaviorSanitizer. The sanitizer suite runs
# even when the plain one fails; the script fails when either did.
# TAMBREL_WERROR=ON in the environment (as CI sets it) builds both trees with
# compiler warnings as errors.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

plain=0
if bash scripts/build.sh; then
  ctest --test-dir build --output-on-failure -j"$(nproc)" || plain=1
else
  plain=1
fi

sanitized=0
if cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMBREL_SANITIZE=ON -DTAMBREL_BENCH=OFF \
     -DTAMBREL_WERROR="${TAMBREL_WERROR:-OFF}" >/dev/null &&
   cmake --build build-asan -j"$(nproc)"; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)" || sanitized=1
else
  sanitized=1
fi

[ "$plain" = 0 ] && echo "plain suite: passed" || echo "plain suite: FAILED"
[ "$sanitized" = 0 ] && echo "sanitizer suite: passed" || echo "sanitizer suite: FAILED"
[ "$plain" = 0 ] && [ "$sanitized" = 0 ]
