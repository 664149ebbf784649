#!/usr/bin/env bash
# The input-output plan ("KALDRON") at scale, through `quantorial-cli play`: makes a random
# productive input-output table of SECTORS sectors and INPUTS primary inputs (coefficients
# a(i,j) >= 0 whose columns sum to about 0.4, zero diagonal), a targets file with
# CONSTRAINTS "<" and ">" rows spread over the sectors, runs the plan, and prints the wall
# time and the peak memory of the process. When python3 has numpy, the same Leontief solve
# ((I - A) x = d without the constraints) is timed in numpy for comparison.
#
# Usage: bench/kaldron_scale.sh [--sectors N] [--inputs M] [--constraints C] [--build DIR]
#                               [--keep DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sectors=2000 inputs=3 constraints=20 build="$root/build" keep=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sectors) sectors=$2; shift 2 ;;
    --inputs) inputs=$2; shift 2 ;;
    --constraints) constraints=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    *) echo "usage: $0 [--sectors N] [--inputs M] [--constraints C] [--build DIR] [--keep DIR]" >&2; exit 2 ;;
  esac
done
cli=$(cd "$build" && pwd)/src/quantorial-cli
[ -x "$cli" ] || { echo "no $cli: build first (scripts/build.sh)" >&2; exit 1; }
if [ -n "$keep" ]; then
  mkdir -p "$keep"
  work=$(cd "$keep" && pwd)
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# The table: by the compiled generator when it was built (fast enough for 10,000 sectors),
# else by awk.
if [ -x "$(dirname "$cli")/../bench/make_io_table" ]; then
  "$(dirname "$cli")/../bench/make_io_table" "$sectors" "$inputs" "$constraints" "$work"
else
awk -v n="$sectors" -v m="$inputs" -v c="$constraints" -v dir="$work" 'BEGIN {
  srand(20261210)
  t = n + m
  b = dir "/io_BMAT.csv"
  line = "B"
  for (j = 1; j <= t; j++) line = line "," (j <= n ? "S" j : "E" j)
  print line > b
  for (i = 1; i <= t; i++) {
    line = (i <= n ? "S" i : "P" i)
    for (j = 1; j <= t; j++) {
      v = 0
      if (j <= n && i != j) v = (i <= n) ? rand() * 0.8 / n : rand() * 0.5
      line = line "," (v == 0 ? "0" : sprintf("%.6g", v))
    }
    print line > b
  }
  close(b)
  r = dir "/targets.csv"
  print "Sector,Type,Target" > r
  step = (c > 0) ? int(n / c) : 0
  for (i = 1; i <= n; i++) {
    type = ""
    if (step > 0 && (i - 1) % step == 0 && (i - 1) / step < c) type = (((i - 1) / step) % 2 == 0) ? "<" : ">"
    printf "S%d,%s,%.2f\n", i, type, 100 + rand() * 900 > r
  }
  close(r)
}'
fi

cat >"$work/plan.qs" <<EOF
set txtData(1) io_BMAT.csv
answer targets.csv
answer $sectors
click cmdKALDRON
dump mDevOutput outputs.csv
dump mPrimaryReq requirements.csv
EOF

cd "$work"
/usr/bin/time -f "%e %M" -o time.txt "$cli" play plan.qs >play.log 2>&1 || { cat play.log >&2; exit 1; }
read -r seconds kbytes <time.txt
echo "KALDRON plan, $sectors sectors, $inputs primary inputs, $constraints constraints, $(nproc) cores:" \
     "${seconds} s, peak $((kbytes / 1024)) MB (quantorial-cli play, whole process)"

if python3 -c 'import numpy' 2>/dev/null; then
  python3 - "$sectors" <<'EOF'
import sys, time
import numpy as np
n = int(sys.argv[1])
start = time.perf_counter()
b = np.loadtxt("io_BMAT.csv", delimiter=",", skiprows=1, usecols=range(1, n + 1), max_rows=n)
d = np.loadtxt("targets.csv", delimiter=",", skiprows=1, usecols=(2,))
loaded = time.perf_counter()
x = np.linalg.solve(np.eye(n) - b, d)
inv = np.linalg.inv(np.eye(n) - b)
done = time.perf_counter()
print(f"numpy: load {loaded - start:.2f} s, solve and inverse {done - loaded:.2f} s, total {done - start:.2f} s")
EOF
else
  echo "numpy: not present (python3-numpy), no comparison"
fi
