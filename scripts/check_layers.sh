#!/usr/bin/env bash
# Includes point one way, downward, so that every folder can be built and understood without
# the ones above it:
#   base <- state <- data <- model <- objective <- report <- run <- plot <- app, cli, import, tools
# A folder includes its own headers and those of folders below it; the top folders do not include
# one another. The computation (base .. run) includes no Qt header. Test folders are left out.
# Prints every include that breaks the order and fails; silent when there is none.
set -euo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root"

rank() {
  case "$1" in
    base) echo 0 ;;
    state) echo 1 ;;
    data) echo 2 ;;
    model) echo 3 ;;
    objective) echo 4 ;;
    report) echo 5 ;;
    run) echo 6 ;;
    plot) echo 7 ;;
    app | cli | import | tools) echo 8 ;;
    *) echo "" ;;
  esac
}

bad=0
for dir in base state data model objective report run plot app cli import tools; do
  [ -d "$dir" ] || continue
  own=$(rank "$dir")
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    target=$(sed -E 's/^[^:]*:[0-9]+:#include "([a-z_]+)\/.*/\1/' <<<"$hit")
    [ "$target" = "$dir" ] && continue
    theirs=$(rank "$target")
    [ -n "$theirs" ] || continue
    if [ "$theirs" -ge "$own" ]; then
      echo "$hit: $dir/ includes $target/, which is not below it"
      bad=1
    fi
  done < <(grep -rnE '^#include "[a-z_]+/' --include='*.cpp' --include='*.h' "$dir" |
             grep -vE "^$dir/(.*/)?tests/" || true)
done

for dir in base state data model objective report run; do
  [ -d "$dir" ] || continue
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    echo "$hit: the computation includes no Qt header"
    bad=1
  done < <(grep -rnE '^#include\s*<Q' --include='*.cpp' --include='*.h' "$dir" || true)
done

exit "$bad"
