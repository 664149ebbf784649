#!/usr/bin/env bash
# Installs what is missing, checks the sources' layout (scripts/format-check.sh), builds
# the programs and the tests and runs every test through ctest, builds the benchmarks (so
# that a change cannot leave them broken; they are not run: speed is measured by hand), then
# builds the Debian package, checks it with lintian and tries it unpacked into an empty
# folder; then the checking build (AddressSanitizer and UndefinedBehaviorSanitizer, clang) runs the core
# tests again and replays the fuzz corpora (scripts/sanitize.sh). SKIP_SANITIZE=1 leaves
# the checking build out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
scripts/format-check.sh
scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j "$(nproc)")
scripts/build.sh benchmarks
scripts/package-test.sh
if [ "${SKIP_SANITIZE:-0}" != 1 ]; then
  scripts/sanitize.sh
fi
