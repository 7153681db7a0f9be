#!/usr/bin/env bash
# Checks that C++ files are formatted as .clang-format says.
#   scripts/check-format.sh                  every tracked .cpp and .h file
#   scripts/check-format.sh --base REV       those changed since REV (e.g. origin/main)
#   scripts/check-format.sh FILE...          just these
#   scripts/check-format.sh --fix [...]      reformat them in place instead
# Exits 0 when every file checked is formatted, 1 naming each one that is
# not, 2 when it cannot check (no clang-format, not a git checkout, a bad
# REV or FILE). The formatter is clang-format 14, Debian 12's; other
# versions format some constructs differently.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

usage() { echo "usage: $0 [--fix] [--base REV | FILE...]" >&2; exit 2; }
fix=0
base=""
while [ $# -gt 0 ]; do
  case "$1" in
    --fix) fix=1; shift ;;
    --base) [ $# -ge 2 ] || usage; base=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ -z "$base" ] || [ $# -eq 0 ] || usage

formatter=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$formatter" ] || { echo "check-format.sh: clang-format is missing (scripts/setup.sh installs it)" >&2; exit 2; }
[ -f .clang-format ] || { echo "check-format.sh: no .clang-format at $(pwd)" >&2; exit 2; }

files=()
if [ $# -gt 0 ]; then
  for f in "$@"; do
    [ -f "$f" ] || { echo "check-format.sh: no such file: $f" >&2; exit 2; }
    files+=("$f")
  done
elif [ -n "$base" ]; then
  git rev-parse --verify --quiet "$base^{commit}" >/dev/null || { echo "check-format.sh: unknown revision: $base" >&2; exit 2; }
  # Files added, copied, modified or renamed since base, committed or not.
  while IFS= read -r -d '' f; do files+=("$f"); done < <(git diff -z --name-only --diff-filter=ACMR "$base" -- '*.cpp' '*.h')
else
  git rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "check-format.sh: not a git checkout; name the files" >&2; exit 2; }
  while IFS= read -r -d '' f; do files+=("$f"); done < <(git ls-files -z -- '*.cpp' '*.h')
fi
[ ${#files[@]} -gt 0 ] || { echo "check-format.sh: no C++ files to check"; exit 0; }

if [ $fix = 1 ]; then
  printf '%s\0' "${files[@]}" | xargs -0 -n 20 -P 2 "$formatter" -i --style=file || exit 2
  echo "check-format.sh: formatted ${#files[@]} files"
  exit 0
fi

# One line per file that differs. Files go to clang-format forty at a time,
# which names each file that differs; when it fails in any other way (a file
# it cannot read or parse), that batch is checked file by file, so no failure
# is passed over.
check_batch() {
  local out names f
  out=$("$formatter" --dry-run --Werror --ferror-limit=1 --style=file "$@" 2>&1) && return 0
  names=$(printf '%s\n' "$out" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
  if [ -n "$names" ] && ! printf '%s\n' "$out" | grep 'error:' | grep -qv 'code should be clang-formatted'; then
    printf '%s\n' "$names"
  else
    for f in "$@"; do
      "$formatter" --dry-run --Werror --ferror-limit=1 --style=file "$f" >/dev/null 2>&1 || printf '%s\n' "$f"
    done
  fi
}
export -f check_batch
export formatter
bad=$(printf '%s\0' "${files[@]}" | xargs -0 -n 40 -P 2 bash -c 'check_batch "$@"' check_batch | sort -u)
if [ -n "$bad" ]; then
  echo "Not formatted as .clang-format says:"
  while IFS= read -r f; do echo "  $f"; done <<<"$bad"
  echo "See each change with: $(basename "$formatter") --dry-run FILE; fix them all with: bash scripts/check-format.sh --fix FILE..."
  exit 1
fi
echo "check-format.sh: ${#files[@]} files formatted"
