#!/usr/bin/env bash
# Fuzzes the readers of user files: each harness of tests/fuzz for FUZZ_SECONDS seconds
# (default 600), JOBS at a time (default 1), starting from its seed corpus and growing a
# working corpus in build-check/fuzz-corpus/<harness>. An input that crashes, hangs or
# exhausts memory is written to tests/fuzz/findings/<harness>/; once its cause is fixed,
# move it into tests/fuzz/regressions/<harness>/, which every test run replays.
# Usage: scripts/fuzz.sh [HARNESS...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-600}
JOBS=${JOBS:-1}
DIR=${BUILD_DIR_CHECK:-build-check}
if [ ! -f "$DIR/build.ninja" ]; then
  scripts/setup.sh --test
  cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUANTORIAL_BUILD_FUZZ=ON \
    -DQUANTORIAL_BUILD_GUI=OFF -DQUANTORIAL_BUILD_BENCH=OFF
fi
cmake --build "$DIR" -j "$(nproc)" --target datafile_fuzz gdtb_fuzz por_fuzz package_fuzz directive_fuzz settings_fuzz clipboard_fuzz \
  system_fuzz scenario_fuzz model_fuzz io_table_fuzz lp_model_fuzz timeseries_fuzz
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(datafile_fuzz gdtb_fuzz por_fuzz package_fuzz directive_fuzz settings_fuzz clipboard_fuzz
  system_fuzz scenario_fuzz model_fuzz io_table_fuzz lp_model_fuzz timeseries_fuzz)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
run() {
  local h=$1
  local work="$DIR/fuzz-corpus/$h" found="tests/fuzz/findings/$h/"
  mkdir -p "$work" "$found"
  "$DIR/tests/fuzz/$h" "$work" "tests/fuzz/corpus/$h" "tests/fuzz/regressions/$h" \
    -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
    -artifact_prefix="$found" -print_final_stats=1 > "$DIR/fuzz-$h.log" 2>&1 || true
  echo "$h: $(grep -E '^stat::number_of_executed_units' "$DIR/fuzz-$h.log" | awk '{print $2}') executions," \
       "$(find "$found" -type f | wc -l) finding(s); log $DIR/fuzz-$h.log"
}
running=0
for h in "${harnesses[@]}"; do
  run "$h" &
  running=$((running + 1))
  if [ "$running" -ge "$JOBS" ]; then wait -n; running=$((running - 1)); fi
done
wait
