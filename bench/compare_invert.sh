#!/usr/bin/env bash
# Inversion at n = N on one core beside numpy.linalg.inv: bench/invert_once (the dense
# Gauss-Jordan kernel, one thread) and bench/compare_invert.py (numpy, one BLAS thread), each
# pinned to processor 0, RUNS runs each in turn, printing what each run reports (the processor
# and wall seconds of the inversion alone) and the medians and their ratios. On a busy machine
# quote the processor seconds: the wall seconds then count the time others held the core.
#
# Usage: bench/compare_invert.sh [--n N] [--runs R] [--build DIR] [--python PYTHON]
#                                [--openblas DIR] [--install]
#   --install   installs python3-numpy from the Debian archive first (needs root)
#   --openblas  a folder with OpenBLAS's libblas.so.3 and liblapack.so.3 for numpy (the Debian
#               package libopenblas0-pthread has them in /usr/lib/x86_64-linux-gnu/openblas-pthread)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
n=2000 runs=5 build="$root/build" python=/usr/bin/python3 openblas="" install=0
while [ $# -gt 0 ]; do
  case "$1" in
    --n) n=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --python) python=$2; shift 2 ;;
    --openblas) openblas=$2; shift 2 ;;
    --install) install=1; shift ;;
    *) sed -n '2,12p' "$0" >&2; exit 2 ;;
  esac
done
[ "$install" = 1 ] && apt-get install -y python3-numpy >/dev/null
"$python" -c 'import numpy' 2>/dev/null || { echo "$python has no numpy: run with --install" >&2; exit 1; }
prog=$(cd "$build" && pwd)/bench/invert_once
[ -x "$prog" ] || { echo "no $prog: cmake --build $build --target invert_once" >&2; exit 1; }
export OPENBLAS_NUM_THREADS=1
[ -n "$openblas" ] && export LD_LIBRARY_PATH="$openblas${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
q=() p=() qw=() pw=()
for i in $(seq "$runs"); do
  a=$(taskset -c 0 "$prog" "$n") b=$(taskset -c 0 "$python" "$root/bench/compare_invert.py" "$n")
  echo "$i  quantorial: $a   numpy: $b"
  q+=("$(echo "$a" | awk '{ print $2 }')") p+=("$(echo "$b" | awk '{ print $2 }')")
  qw+=("$(echo "$a" | awk '{ print $5 }')") pw+=("$(echo "$b" | awk '{ print $5 }')")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
mq=$(median "${q[@]}") mp=$(median "${p[@]}") mqw=$(median "${qw[@]}") mpw=$(median "${pw[@]}")
echo "median processor seconds: quantorial $mq, numpy $mp, ratio $(ratio "$mq" "$mp")"
echo "median wall seconds: quantorial $mqw, numpy $mpw, ratio $(ratio "$mqw" "$mpw")"
