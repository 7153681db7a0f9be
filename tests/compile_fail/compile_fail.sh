#!/usr/bin/env bash
# Compiles FILE once with -DMIX_UP=0, which must build, then with each
# -DMIX_UP=n from 1 to COUNT, which must each fail to build; fails naming
# every case that did otherwise.
#   compile_fail.sh COMPILER SOURCE_DIR FILE COUNT
set -uo pipefail
cxx=$1 src=$2 file=$3 count=$4
build() { "$cxx" -std=c++20 -fsyntax-only -I"$src" -DMIX_UP="$1" "$file" 2>&1; }
bad=0
if ! out=$(build 0); then
  echo "MIX_UP=0 must build, and does not:"
  echo "$out"
  bad=1
fi
for n in $(seq 1 "$count"); do
  if build "$n" >/dev/null; then
    echo "MIX_UP=$n builds, and must not"
    bad=1
  fi
done
[ $bad -eq 0 ] && echo "the right call builds; all $count mix-ups fail to build"
exit $bad
