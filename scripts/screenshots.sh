#!/usr/bin/env bash
# Makes the pictures of docs/guide.md again: the workbench on the bundled sample under a
# virtual screen of 1280 x 800 with a window manager, driven by mouse and keyboard, each
# picture taken of the whole screen. Installs what it needs (Xvfb, openbox, ImageMagick,
# xdotool) and builds first. The clicks are the places of the controls at that size.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
need=()
for p in xvfb openbox imagemagick xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
scripts/build.sh > /dev/null
out="$root/docs/guide"
mkdir -p "$out"
home=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$home" "$work"' EXIT
cp data/samples/klein.csv data/samples/klein_NOR_BMAT.CSV data/samples/klein_forecast.csv "$work"
mkdir -p "$home/.config/Quantorial"
printf '[Options]\nShow%%20Tips%%20at%%20Startup=0\n' > "$home/.config/Quantorial/Quantorial.ini"
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config"

# session FILE STEP...: starts the workbench on FILE and carries out the steps:
# shot:NAME, click:X,Y, type:TEXT, key:KEYS, sleep:SECONDS.
session() {
  local file=$1; shift
  Xvfb :97 -screen 0 1280x800x24 > /dev/null 2>&1 & local xvfb=$!
  sleep 1
  export DISPLAY=:97
  openbox > /dev/null 2>&1 &
  sleep 1
  "$root/build/src/quantorial" "$file" > /dev/null 2>&1 & local app=$!
  sleep 4
  for step in "$@"; do
    case "$step" in
      shot:*) /usr/bin/import -window root "$out/${step#shot:}.png" ;;
      click:*) xdotool mousemove $(echo "${step#click:}" | tr , ' ') click 1; sleep 1.5 ;;
      type:*) xdotool type --delay 40 "${step#type:}"; sleep 0.5 ;;
      key:*) xdotool key --clearmodifiers "${step#key:}"; sleep 1.5 ;;
      sleep:*) sleep "${step#sleep:}" ;;
    esac
  done
  kill "$app" 2> /dev/null || true
  sleep 0.5
  kill "$xvfb" 2> /dev/null || true
  sleep 0.5
}

# The typical session: load, Run ALL Stages (4 endogenous variables), the chart, a forecast,
# Create B-Matrix.
session "$work/klein.csv" shot:01-loaded \
  click:609,696 type:4 key:Return sleep:2 shot:02-run-all \
  click:1200,400 click:609,665 click:720,426 type:"$work/klein_forecast.csv" key:Tab shot:03-forecast-options \
  click:766,466 sleep:2 shot:04-forecast \
  click:1200,400 click:70,727 sleep:2 shot:05-create-b-matrix \
  click:1216,644 sleep:2 shot:06-excel-preview
# The dynamic panel: the levels turned into changes, the B-matrix split, "Dynamic" for C and I.
cp data/samples/klein.csv "$work/levels.csv"
session "$work/levels.csv" click:470,696 sleep:2 click:470,727 click:331,696 shot:07-dynamic-panel \
  click:900,126 click:898,168 click:941,205 sleep:2 shot:08-dynamic-chart
echo "pictures written to $out"
