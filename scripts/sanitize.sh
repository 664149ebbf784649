#!/usr/bin/env bash
# The checking build: the core libraries, their GoogleTest suites and the fuzz harnesses
# built with clang under AddressSanitizer and UndefinedBehaviorSanitizer (any undefined
# behaviour ends the program), then every test run and every fuzz corpus replayed once.
# Installs what is missing first. BUILD_DIR_CHECK names the build folder (build-check).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
DIR=${BUILD_DIR_CHECK:-build-check}
if [ ! -f "$DIR/build.ninja" ]; then
  cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUANTORIAL_BUILD_FUZZ=ON \
    -DQUANTORIAL_BUILD_GUI=OFF -DQUANTORIAL_BUILD_BENCH=OFF
fi
cmake --build "$DIR" -j "$(nproc)"
cd "$DIR"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
ctest --output-on-failure -j "$(nproc)"
