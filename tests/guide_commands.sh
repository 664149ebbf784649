#!/bin/sh
# Runs the shell commands of the guide's script step exactly as written (the ```sh block of
# docs/guide.md), with the installed samples folder and /tmp/session mapped to a copy of the
# source tree's sample files (as installed: no folder a session played in place has left
# there) and a fresh folder, and the built quantorial-cli first on the PATH.
# Usage: guide_commands.sh GUIDE SAMPLES_DIR CLI
set -eu
guide=$1 samples=$2 cli=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
ln -s "$cli" "$work/bin/quantorial-cli"
mkdir -p "$work/samples"
find "$samples" -maxdepth 1 -type f -exec cp {} "$work/samples" \;
commands=$(sed -n '/^```sh$/,/^```$/p' "$guide" | sed '1d;$d')
[ -n "$commands" ] || { echo "no \`\`\`sh block in $guide" >&2; exit 1; }
commands=$(printf '%s\n' "$commands" | sed "s#/usr/share/quantorial/samples#$work/samples#g; s#/tmp/session#$work/session#g")
PATH="$work/bin:$PATH" sh -eu -c "$commands"
test -s "$work/session/guide-out/mDevOutput.csv"
test -s "$work/session/guide-out/mLpSolution.csv"
