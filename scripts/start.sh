#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Quantorial workbench on the bundled
# sample: the window opens the sample's copy in the per-user Data folder
# (~/.local/share/Quantorial/Data, filled on the first start), never data/samples/ itself,
# so what the session writes beside its data stays out of the source tree. Without a
# display the sample goes through quantorial-cli instead: it only reads the samples, and
# the results are written under results/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only the two programs it starts; the test command builds the tests.
scripts/build.sh quantorial quantorial-cli
BIN=${BUILD_DIR:-build}/src
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  # Given a file of the samples folder, the window opens its Data-folder copy.
  exec "$BIN/quantorial" data/samples/klein.csv
fi
OUT=results
mkdir -p "$OUT"
echo "No display: running the sample through quantorial-cli instead of the window." >&2
"$BIN/quantorial-cli" load data/samples/klein.csv -o "$OUT/klein.csv"
"$BIN/quantorial-cli" matrix transpose data/samples/klein.csv -o "$OUT/klein-transposed.csv"
"$BIN/quantorial-cli" matrix invert-pivot data/samples/structure.csv -o "$OUT/structure-inverse.csv"
"$BIN/quantorial-cli" matrix mul data/samples/structure.csv "$OUT/structure-inverse.csv" -o "$OUT/structure-check.csv"
"$BIN/quantorial-cli" run data/samples/klein.csv --endo 4 --forecast data/samples/klein_forecast.csv --dump "$OUT/klein-model"
echo "Results (dump form) are in $(pwd)/$OUT:" >&2
ls -1 "$OUT" >&2
echo "(structure-check.csv is structure.csv times its inverse: the identity matrix, up to a few" >&2
echo " times 1e-8 in each cell, since the pivot inversion divides in single precision as the model does.)" >&2
