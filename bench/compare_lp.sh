#!/usr/bin/env bash
# Times `quantorial-cli lp solve` against glpsol on the same CPLEX LP files: GLPK's own
# examples (dea, an LP that unscaled simplex gets wrong; numbrix, planarity, tiling and jssp,
# integer models) written by `glpsol --math MODEL --wlp`, and a sparse planning LP of 20,010
# rows by 20,000 columns from bench/make_sparse_lp.py, without and with ranging. Each pair runs
# in turn RUNS times (default 3) after a warm-up; the medians of the elapsed and user seconds
# (from /usr/bin/time) are printed with quantorial's time over glpsol's, and both objectives,
# which must agree.
# Usage: bench/compare_lp.sh [--install] [BUILD_DIR]
#   --install  installs glpsol and GLPK's examples (Debian's glpk-utils) first (apt-get)
# MODELS="dea tiling" limits the run to those models (sparse is the generated LP).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--install" ]; then
  shift
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends glpk-utils
fi
build=${1:-build}
cli="$build/src/quantorial-cli"
examples=/usr/share/doc/glpk-utils/examples
[ -x "$cli" ] || cmake --build "$build" --target quantorial-cli
for tool in glpsol /usr/bin/time python3; do
  command -v "$tool" > /dev/null || { echo "compare_lp: $tool is missing (try --install)" >&2; exit 1; }
done
[ -d "$examples" ] || { echo "compare_lp: no GLPK examples in $examples (try --install)" >&2; exit 1; }
runs=${RUNS:-3}
models=${MODELS:-"dea numbrix planarity tiling jssp sparse"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# compare LABEL LP_FILE [--ranges]
compare() {
  local label=$1 lp=$2 ranges=${3:-} k
  local ours=("$cli" lp solve "$lp" --report "$work/ours.txt")
  local theirs=(glpsol --lp "$lp" -o "$work/theirs.txt")
  if [ -n "$ranges" ]; then
    ours+=(--ranges)
    theirs+=(--ranges "$work/ranges.txt")
  fi
  : > "$work/a" && : > "$work/b"
  for k in $(seq 0 "$runs"); do
    /usr/bin/time -f "%e %U" -o "$work/t" "${ours[@]}" > /dev/null 2>&1 || true
    [ "$k" -gt 0 ] && cat "$work/t" >> "$work/a"
    /usr/bin/time -f "%e %U" -o "$work/t" "${theirs[@]}" > /dev/null 2>&1 || true
    [ "$k" -gt 0 ] && cat "$work/t" >> "$work/b"
  done
  local ta tb ua ub za zb
  ta=$(cut -d' ' -f1 "$work/a" | median)
  tb=$(cut -d' ' -f1 "$work/b" | median)
  ua=$(cut -d' ' -f2 "$work/a" | median)
  ub=$(cut -d' ' -f2 "$work/b" | median)
  za=$(awk '/^Objective:/ {print $2}' "$work/ours.txt")
  zb=$(awk '/^Objective:/ {print $4}' "$work/theirs.txt")
  printf '%-26s quantorial %7.2f s (user %7.2f)  glpsol %7.2f s (user %7.2f)  ratio %5.2f  objective %s / %s\n' \
    "$label" "$ta" "$ua" "$tb" "$ub" "$(echo "$ta / $tb" | bc -l)" "${za:-none}" "${zb:-none}"
}

for m in $models; do
  if [ "$m" = sparse ]; then
    python3 bench/make_sparse_lp.py 20000 20000 --coupling 10 > "$work/sparse.lp"
    compare "sparse 20010 x 20000" "$work/sparse.lp"
    compare "sparse, --ranges" "$work/sparse.lp" --ranges
    continue
  fi
  src="$examples/$m.mod"
  [ -f "$src" ] || src="$examples/$m.mod.gz"
  if [[ "$src" == *.gz ]]; then gunzip -c "$src" > "$work/$m.mod"; else cp "$src" "$work/$m.mod"; fi
  (cd "$work" && glpsol --math "$m.mod" --check --wlp "$m.lp" > /dev/null)
  compare "$m" "$work/$m.lp"
done
