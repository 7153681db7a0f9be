#!/usr/bin/env bash
# scripts/check-format.sh on a scratch repository: it names exactly the files
# that differ from clang-format's output, checks only what changed with
# --base, fixes with --fix, and refuses what it cannot check.
# Usage: CheckFormatTest.sh SOURCE_DIR
set -uo pipefail
src=$1
command -v clang-format-14 >/dev/null || command -v clang-format >/dev/null ||
  { echo "SKIPPED: clang-format is missing (scripts/setup.sh installs it)"; exit 77; }
command -v git >/dev/null || { echo "SKIPPED: git is missing"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
repo=$work/repo
mkdir -p "$repo/scripts" "$repo/sub dir"
cp "$src/scripts/check-format.sh" "$repo/scripts/"
cp "$src/.clang-format" "$repo/"
cd "$repo" || exit 1
git init -q . && git config user.email t@example.invalid && git config user.name t

# Formatted per the project's style, and the same code badly spaced.
good='int Twice(int v) { return 2 * v; }
'
bad='int  Twice( int v ){return 2*v;}
'
printf '%s' "$good" > good.cpp
printf '%s' "$good" > "sub dir/also good.h"
printf '%s' "$bad" > bad.cpp
printf '%s' "$bad" > notes.txt   # not C++: never checked
git add -A && git commit -qm start

fail=0
run() { # EXPECTED_STATUS WHAT ARGS...: runs the check, keeps its output in $out
  local want=$1 what=$2
  shift 2
  out=$(bash scripts/check-format.sh "$@" 2>&1)
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "$what: exit status $got, want $want"; echo "$out"; fail=1
  fi
}
names() { # the files the output lists, one a line, sorted
  printf '%s\n' "$out" | sed -n 's/^  //p' | sort | tr '\n' '|'
}

run 1 "the whole tree"
[ "$(names)" = "bad.cpp|" ] || { echo "the whole tree: listed '$(names)', want only bad.cpp"; fail=1; }

run 0 "named formatted files" good.cpp "sub dir/also good.h"
run 1 "a named unformatted file" bad.cpp
run 2 "a file that is not there" missing.cpp

# Only what changed since the base is checked, committed or not.
base=$(git rev-parse HEAD)
run 0 "nothing changed since the base" --base "$base"
printf '%s' "$bad" > "sub dir/also good.h"
run 1 "an unformatted change since the base" --base "$base"
[ "$(names)" = "sub dir/also good.h|" ] ||
  { echo "--base: listed '$(names)', want only the changed file"; fail=1; }
run 2 "an unknown base" --base no-such-revision
run 2 "a base and files together" --base "$base" good.cpp

# --fix leaves every file formatted, and formatted files untouched.
run 0 "fixing" --fix
run 0 "the tree after fixing"
cmp -s good.cpp <(printf '%s' "$good") || { echo "--fix changed a formatted file"; fail=1; }
cmp -s bad.cpp <(printf '%s' "$good") || { echo "--fix did not format bad.cpp as the style says:"; cat bad.cpp; fail=1; }
cmp -s notes.txt <(printf '%s' "$bad") || { echo "--fix touched a file that is not C++"; fail=1; }

[ $fail -eq 0 ] && echo "check-format.sh names, limits and fixes as it should"
exit $fail
