#!/usr/bin/env bash
# Times loading and writing data files with quantorial-cli against R: data.table's fread
# and fwrite (one thread) on a CSV of 4000 x 4000 numbers, readxl on workbooks of 200 x 2000
# and 1000 x 4000 numbers. Each pair runs in turn RUNS times (default 5) after a warm-up,
# on one processor (taskset -c 0) and on all; the medians of the elapsed seconds and of the
# peak memory (from /usr/bin/time) are printed, with quantorial's time over R's.
# Usage: bench/compare_io.sh [--install] [BUILD_DIR]
#   --install  installs R's data.table and readxl from the Debian archive first (apt-get)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--install" ]; then
  shift
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends r-cran-data.table r-cran-readxl
fi
build=${1:-build}
cli="$build/src/quantorial-cli"
make="$build/bench/make_io_files"
[ -x "$make" ] || cmake --build "$build" --target make_io_files
for tool in Rscript /usr/bin/time taskset; do
  command -v "$tool" > /dev/null || { echo "compare_io: $tool is missing (try --install)" >&2; exit 1; }
done
Rscript -e 'library(data.table); library(readxl)' > /dev/null 2>&1 ||
  { echo "compare_io: R's data.table or readxl is missing (try --install)" >&2; exit 1; }
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make" csv 4000 4000 "$work/c4000.csv"
"$make" xlsx 200 2000 "$work/x200.xlsx"
"$make" xlsx 1000 4000 "$work/x1000.xlsx"

# The median of the numbers on standard input.
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# compare LABEL PIN QUANTORIAL_COMMAND R_EXPRESSION
compare() {
  local label=$1 pin=$2 ours=$3 theirs=$4 k
  local pre=()
  [ "$pin" = "one" ] && pre=(taskset -c 0)
  : > "$work/a" && : > "$work/b"
  for k in $(seq 0 "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/t" "${pre[@]}" sh -c "$ours" > /dev/null
    [ "$k" -gt 0 ] && cat "$work/t" >> "$work/a"
    /usr/bin/time -f "%e %M" -o "$work/t" "${pre[@]}" Rscript -e "$theirs" > /dev/null
    [ "$k" -gt 0 ] && cat "$work/t" >> "$work/b"
  done
  local ta tb ma mb
  ta=$(cut -d' ' -f1 "$work/a" | median)
  tb=$(cut -d' ' -f1 "$work/b" | median)
  ma=$(cut -d' ' -f2 "$work/a" | median)
  mb=$(cut -d' ' -f2 "$work/b" | median)
  printf '%-34s %-4s quantorial %6.2f s %6.0f MB   R %6.2f s %6.0f MB   ratio %.2f\n' "$label" "$pin" "$ta" \
    "$(echo "$ma / 1024" | bc -l)" "$tb" "$(echo "$mb / 1024" | bc -l)" "$(echo "$ta / $tb" | bc -l)"
}

threads='data.table::setDTthreads(1)'
for pin in one all; do
  compare "read CSV 4000 x 4000 (fread)" $pin "$cli load $work/c4000.csv -o /dev/null" \
    "$threads; invisible(data.table::fread('$work/c4000.csv'))"
  compare "read+write CSV 4000 x 4000 (fwrite)" $pin "$cli load $work/c4000.csv -o $work/ours.csv" \
    "$threads; data.table::fwrite(data.table::fread('$work/c4000.csv'), '$work/theirs.csv')"
  compare "read xlsx 200 x 2000 (readxl)" $pin "$cli load $work/x200.xlsx -o /dev/null" \
    "invisible(readxl::read_excel('$work/x200.xlsx'))"
  compare "read xlsx 1000 x 4000 (readxl)" $pin "$cli load $work/x1000.xlsx -o /dev/null" \
    "invisible(readxl::read_excel('$work/x1000.xlsx'))"
done
