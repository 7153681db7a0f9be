#!/usr/bin/env bash
# The target "program" (what scripts/run.sh builds) makes every file the
# program folder is installed with, and builds no test, benchmark or fuzz
# target. Run on a built tree: it installs the "program" and "uninstaller"
# components into a scratch folder and looks each file up in the build graph
# of "program".
# Usage: ProgramTargetTest.sh BUILD_DIR
set -uo pipefail
build="$1"
[ -f "$build/build.ninja" ] || { echo "SKIPPED: the build graph is read from Ninja; $build is not a Ninja tree"; exit 77; }
command -v ninja >/dev/null || { echo "SKIPPED: ninja is missing"; exit 77; }
t="$(mktemp -d)"; trap 'rm -rf "$t"' EXIT
ninja -C "$build" -t graph program > "$t/graph" 2>"$t/err" || { cat "$t/err"; echo "FAILED: no target \"program\""; exit 1; }
# Every node of the graph, one path a line, relative to the build folder.
grep -oE 'label="[^"]*"' "$t/graph" | sed -E 's/^label="(.*)"$/\1/' | sort -u > "$t/nodes"

bad=0
for component in program uninstaller; do
  cmake --install "$build" --prefix "$t/stage" --component $component >"$t/log" 2>&1 ||
    { cat "$t/log"; echo "FAILED: installing the component $component"; exit 1; }
done
folder="$t/stage/lib/tambrel-orchestra"
[ -d "$folder" ] || { echo "FAILED: nothing installed into lib/tambrel-orchestra"; exit 1; }
count=0
while IFS= read -r f; do
  count=$((count + 1))
  if ! grep -qxF "bin/$f" "$t/nodes"; then
    echo "FAILED: the program folder's $f is not built by the target \"program\""
    bad=1
  fi
done < <(cd "$folder" && find . -type f | sed 's#^\./##' | sort)
[ "$count" -gt 0 ] || { echo "FAILED: the program folder is empty"; exit 1; }

# Nothing of the tests, the benchmarks or the fuzzers.
if grep -E '^(tests|bench|fuzz)/' "$t/nodes" > "$t/extra"; then
  echo "FAILED: the target \"program\" builds more than the program folder:"
  head -5 "$t/extra"
  bad=1
fi
[ $bad -eq 0 ] && echo "the target \"program\" builds all $count files of the program folder, and nothing else"
exit $bad
