#!/usr/bin/env bash
# The typical flow on the bundled sample (load, Run ALL Stages with 4 endogenous
# variables, forecast, dump every slot) through `quantorial-cli play` and through the
# flags of `quantorial-cli run`: the median wall time of RUNS runs of each, and their ratio.
# Usage: bench/play_vs_run.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-21}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root"/data/samples/klein.csv "$root"/data/samples/klein_NOR_BMAT.CSV "$root"/data/samples/klein_forecast.csv \
   "$root"/data/samples/klein_session.qs "$work"
cli="$build/src/quantorial-cli"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_of() {
  for _ in $(seq "$runs"); do
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null 2>&1
    e=$(date +%s%N)
    echo $(( (e - s) / 1000 ))
  done | median
}
cd "$work"
play=$(time_of "$cli" play klein_session.qs)
run=$(time_of "$cli" run klein.csv --endo 4 --forecast klein_forecast.csv --dump ran)
echo "play: median ${play} us; run: median ${run} us; play/run: $(awk -v a="$play" -v b="$run" 'BEGIN {printf "%.2f", a / b}')"
