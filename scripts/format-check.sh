#!/usr/bin/env bash
# Checks that every C++ source and header of the project is laid out as .clang-format says
# (clang-format --dry-run): the files it would change, with the first of its complaints.
# `clang-format -i FILE...` lays them out. Part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
else
  mapfile -t files < <(find src tests bench -name '*.cpp' -o -name '*.h' | sort)
fi
if ! out=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  echo "format check: these files are not laid out as .clang-format says (clang-format -i FILE... lays them out):" >&2
  printf '%s\n' "$out" | grep -E '^[^ ].*(error|warning):' | sed -E 's/:[0-9]+:[0-9]+:.*//' | sort -u >&2
  exit 1
fi
echo "format check: ${#files[@]} files laid out as .clang-format says"
