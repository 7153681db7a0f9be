#!/usr/bin/env bash
# The core's folders depend one way: each may include only the folders below
# it. Fails naming every include that points upward or sideways.
set -uo pipefail
root="${1:-$(dirname "$0")/..}"
order=(common audio document sound input "recording boards" editor session controls uninstall)
rank() {
  local i=0
  for level in "${order[@]}"; do
    for f in $level; do [ "$f" = "$1" ] && { echo $i; return; }; done
    i=$((i + 1))
  done
  echo -1
}
bad=0
for level in "${order[@]}"; do
  for dir in $level; do
    [ -d "$root/$dir" ] || continue
    mine=$(rank "$dir")
    while IFS=: read -r file line target; do
      [ -n "$file" ] || continue
      [ "$target" = "$dir" ] && continue
      theirs=$(rank "$target")
      if [ "$theirs" -lt 0 ] || [ "$theirs" -ge "$mine" ]; then
        echo "$file:$line: $dir must not include $target/"
        bad=1
      fi
    done < <(grep -rnoE '^#include "[a-z]+/' "$root/$dir" --include='*.h' --include='*.cpp' |
             sed -E 's#^([^:]+):([0-9]+):\#include "([a-z]+)/#\1:\2:\3#')
  done
done
[ $bad -eq 0 ] && echo "every folder includes only folders below it"
exit $bad
