#!/usr/bin/env bash
# Pairwise regressions side by side with numpy, on one core: makes a data file of VARS
# trending series over PERIODS periods, then times `quantorial-cli regress DATA` (the report
# and the A and B tables) and bench/compare_regression.py (the same fits in numpy, the A and B
# tables and every pair's statistics), each pinned to processor 0, numpy with one BLAS
# thread, RUNS runs each in turn (A B A B ...), and prints every run's user, system and wall
# seconds and the medians of the wall seconds and of their ratio.
#
# Usage: bench/compare_regression.sh [--vars N] [--periods P] [--runs R] [--build DIR]
#                                    [--python PYTHON] [--openblas DIR] [--install]
#   --install   installs python3-numpy from the Debian archive first (needs root)
#   --openblas  a folder holding OpenBLAS's libblas.so.3 and liblapack.so.3, put first on
#               the library path of numpy (the Debian package libopenblas0-pthread has them
#               in /usr/lib/x86_64-linux-gnu/openblas-pthread)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
vars=400 periods=5000 runs=5 build="$root/build" python=/usr/bin/python3 openblas="" install=0
while [ $# -gt 0 ]; do
  case "$1" in
    --vars) vars=$2; shift 2 ;;
    --periods) periods=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --python) python=$2; shift 2 ;;
    --openblas) openblas=$2; shift 2 ;;
    --install) install=1; shift ;;
    *) sed -n '2,17p' "$0" >&2; exit 2 ;;
  esac
done
if [ "$install" = 1 ]; then
  apt-get install -y python3-numpy >/dev/null
fi
"$python" -c 'import numpy' 2>/dev/null || { echo "$python has no numpy: run with --install" >&2; exit 1; }
cli=$(cd "$build" && pwd)/src/quantorial-cli
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$python" - "$vars" "$periods" "$work/series.csv" <<'PY'
import random, sys
vars_, periods, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
random.seed(8)
slopes = [random.uniform(0.5, 2.0) for _ in range(vars_)]
with open(path, "w") as f:
    f.write("Year," + ",".join("V%d" % (j + 1) for j in range(vars_)) + "\n")
    for t in range(1, periods + 1):
        f.write(str(1000 + t) + "," + ",".join("%.6g" % (100 + s * t + 5 * random.gauss(0, 1)) for s in slopes) + "\n")
PY

export OPENBLAS_NUM_THREADS=1
[ -n "$openblas" ] && export LD_LIBRARY_PATH="$openblas${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
timed() {  # prints "user system wall"
  /usr/bin/time -f "%U %S %e" -o "$work/time" taskset -c 0 "$@" >/dev/null 2>&1
  cat "$work/time"
}
"$cli" regress "$work/series.csv" >/dev/null  # warm the caches; later runs replace equal tables
"$python" "$root/bench/compare_regression.py" "$work/series.csv"
echo "run  quantorial(user sys wall)  numpy(user sys wall)  ratio(wall)"
q=() n=() r=()
for i in $(seq "$runs"); do
  read -r qu qs qw < <(timed "$cli" regress "$work/series.csv")
  read -r nu ns nw < <(timed "$python" "$root/bench/compare_regression.py" "$work/series.csv")
  ratio=$(awk -v a="$qw" -v b="$nw" 'BEGIN { printf "%.3f", a / b }')
  echo "$i    $qu $qs $qw    $nu $ns $nw    $ratio"
  q+=("$qw") n+=("$nw") r+=("$ratio")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "median wall: quantorial $(median "${q[@]}") s, numpy $(median "${n[@]}") s, ratio $(median "${r[@]}")"
