#!/usr/bin/env bash
# Configures (once) and builds Quantorial into build/ with Ninja, using ccache when present.
# Usage: scripts/build.sh [TARGET...]: with no target, everything but the benchmarks (the
# programs, the tests and what the package holds); with targets, only those and what they
# need, in the same build folder (e.g. `scripts/build.sh quantorial quantorial-cli`, or
# `scripts/build.sh benchmarks`).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}"
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$BUILD_DIR" -j "$(nproc)" ${targets[@]+"${targets[@]}"}
