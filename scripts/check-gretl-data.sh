#!/usr/bin/env bash
# Reads every data file of Debian's gretl-data package (/usr/share/gretl/data/*/*.gdt) as
# .gdt and, stored again by gretl, as .gdtb, and compares them with what gretl itself shows:
# the two forms must load alike, every observation label must be gretl's obslabel(t), and
# every cell must equal gretl's 17-digit CSV of the data (numbers compared as doubles,
# texts of string-valued series as texts). Needs gretlcli (Debian: gretl, gretl-data) and
# a built quantorial-cli. Usage: scripts/check-gretl-data.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
CLI="$PWD/${1:-build}/src/quantorial-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{
  echo 'set echo off'; echo 'set messages off'; echo "set workdir $work"
  echo 'set csv_digits 17'; echo 'set csv_write_na ""'
  for f in /usr/share/gretl/data/*/*.gdt; do
    n=$(basename "$f" .gdt)
    echo "open $f --quiet"; echo "store $n.gdtb"; echo "store $n.csv"
    echo "outfile $n.labels.txt"; echo 'loop t=1..$nobs --quiet'; echo '  printf "%s\n", obslabel(t)'
    echo 'endloop'; echo 'end outfile'
  done
} > "$work/all.inp"
gretlcli -b "$work/all.inp" > "$work/gretl.log" 2>&1
python3 - "$CLI" "$work" <<'PY'
import csv, glob, io, os, subprocess, sys
cli, work = sys.argv[1], sys.argv[2]
files = cells = bad = 0
def load(path):
    r = subprocess.run([cli, "load", path], capture_output=True, text=True)
    return r.stdout if r.returncode == 0 else "ERROR " + r.stderr
for f in sorted(glob.glob("/usr/share/gretl/data/*/*.gdt")):
    n = os.path.join(work, os.path.basename(f)[:-4])
    a, b = load(f), load(n + ".gdtb")
    files += 1
    if a != b:
        print("differ:", f); bad += 1; continue
    ours = list(csv.reader(io.StringIO(a)))
    labels = open(n + ".labels.txt", encoding="utf-8").read().splitlines()
    if [row[0] for row in ours[1:]] != labels:
        print("labels:", f); bad += 1
    theirs = list(csv.reader(open(n + ".csv", encoding="utf-8", errors="replace")))
    col = {name: k for k, name in enumerate(theirs[0])}
    for j, name in enumerate(ours[0][1:], 1):
        for r in range(1, len(ours)):
            x, y = ours[r][j], theirs[r][col[name]]
            cells += 1
            try:
                same = x == y or (x != "" and y != "" and float(x) == float(y))
            except ValueError:
                same = False
            if not same:
                print("cell:", f, name, r, repr(x), repr(y)); bad += 1; break
print(f"{files} files, {cells} cells, {bad} differences")
sys.exit(1 if bad else 0)
PY
