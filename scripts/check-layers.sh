#!/usr/bin/env bash
# Checks which way the includes of src/ run: each folder may include only its own headers and
# those of the layers below it (docs/HACKING.md, "The layers"). Prints every include that
# goes the wrong way and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A allowed=(
  [workspace]="workspace"
  [lp]="lp workspace"
  [matrix]="matrix workspace"
  [io]="io matrix workspace"
  [model]="model matrix workspace"
  [charts]="charts matrix workspace"
  [regression]="regression io matrix workspace"
  [export]="export io matrix workspace"
  [planning]="planning model charts io matrix lp workspace"
  [timeseries]="timeseries workspace"
  [systems]="systems timeseries workspace"
  [inputoutput]="inputoutput lp workspace"
  [frontend]="frontend charts workspace"
  [workbench]="workbench frontend planning model charts regression export systems timeseries inputoutput io matrix lp workspace"
  [cli]="cli workbench frontend planning model charts regression export systems timeseries inputoutput io matrix lp workspace"
  [gui]="gui cli workbench frontend planning model charts regression export systems timeseries inputoutput io matrix lp workspace"
)
status=0
for dir in */; do
  dir=${dir%/}
  if [ -z "${allowed[$dir]+x}" ]; then
    echo "src/$dir: a folder the layer table does not know; add it to scripts/check-layers.sh"
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$text")
    if [[ " ${allowed[$dir]} " != *" $target "* ]]; then
      echo "src/$file:$line: $dir may not include $target: $text"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" || true)
  # Qt belongs to the window alone.
  if [ "$dir" != gui ]; then
    if grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$dir"; then
      echo "src/$dir: only src/gui may include Qt headers"
      status=1
    fi
  fi
done
exit $status
