#!/usr/bin/env bash
# scripts/test.sh runs the sanitizer suite even when the plain suite fails,
# and fails when either failed. Run with fake setup, build, cmake and ctest.
# Usage: TestScriptTest.sh PATH/TO/scripts/test.sh
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/repo/scripts" "$work/bin"
cp "$script" "$work/repo/scripts/test.sh"
printf '#!/bin/sh\nexit 0\n' > "$work/repo/scripts/setup.sh"
printf '#!/bin/sh\nexit 0\n' > "$work/repo/scripts/build.sh"
printf '#!/bin/sh\nexit 0\n' > "$work/bin/cmake"
cat > "$work/bin/ctest" <<'FAKE'
#!/bin/sh
# --test-dir DIR ...: exits with the status chosen for that suite.
echo "$2" >> "$RAN"
case "$2" in
  build) exit "$PLAIN" ;;
  build-asan) exit "$SANITIZED" ;;
esac
exit 99
FAKE
chmod +x "$work/bin/"*

fail=0
for case in "0 0 0" "1 0 1" "0 1 1" "1 1 1"; do
  set -- $case
  : > "$work/ran"
  status=0
  PATH="$work/bin:$PATH" RAN="$work/ran" PLAIN=$1 SANITIZED=$2 bash "$work/repo/scripts/test.sh" > "$work/out" 2>&1 || status=$?
  ran=$(tr '\n' ' ' < "$work/ran")
  if [ "$ran" != "build build-asan " ]; then
    echo "plain=$1 sanitized=$2: ran '$ran', want both suites"; fail=1
  fi
  if { [ "$3" = 0 ] && [ "$status" != 0 ]; } || { [ "$3" = 1 ] && [ "$status" = 0 ]; }; then
    echo "plain=$1 sanitized=$2: exit status $status"; cat "$work/out"; fail=1
  fi
done
exit $fail
