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
guide="$root/docs/guide" shots="$root/docs/screenshots"
out=$guide
mkdir -p "$guide" "$shots"
# The virtual screen's number; another one can be given when :97 is taken.
screen=${SCREENSHOT_DISPLAY:-97}
home=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$home" "$work"' EXIT
cp data/samples/klein.csv data/samples/klein_NOR_BMAT.CSV data/samples/klein_forecast.csv \
  data/samples/io_table.csv data/samples/io_targets.csv data/samples/lp_model.lp data/samples/klein.sys \
  data/samples/io_demand.csv data/samples/io_plan.csv "$work"
mkdir -p "$home/.config/Quantorial"
printf '[Options]\nShow%%20Tips%%20at%%20Startup=0\n' > "$home/.config/Quantorial/Quantorial.ini"
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config"

# session FILE STEP...: starts the workbench on FILE and carries out the steps:
# shot:NAME (into $out), crop:NAME:WxH+X+Y (that part of the screen), click:X,Y, type:TEXT,
# key:KEYS, sleep:SECONDS. An empty FILE starts
# without one (the last files of the session before come back).
session() {
  local file=$1; shift
  Xvfb ":$screen" -screen 0 1280x800x24 > /dev/null 2>&1 & local xvfb=$!
  sleep 1
  export DISPLAY=":$screen"
  openbox > /dev/null 2>&1 &
  sleep 1
  if [ -n "$file" ]; then
    "$root/build/src/quantorial" "$file" > /dev/null 2>&1 &
  else
    "$root/build/src/quantorial" > /dev/null 2>&1 &
  fi
  local app=$!
  sleep 4
  for step in "$@"; do
    case "$step" in
      shot:*) /usr/bin/import -window root "$out/${step#shot:}.png" ;;
      crop:*)
        local spec=${step#crop:}
        /usr/bin/import -window root "$work/screen.png"
        /usr/bin/convert "$work/screen.png" -crop "${spec#*:}" +repage "$out/${spec%%:*}.png"
        ;;
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

# The typical session: load, Run ALL Stages (4 endogenous variables), the chart (over the
# grids, the command panel in view), a forecast, Create B-Matrix.
session "$work/klein.csv" shot:01-loaded \
  click:616,667 type:4 key:Return sleep:2 shot:02-run-all \
  click:616,640 click:720,426 type:"$work/klein_forecast.csv" key:Tab shot:03-forecast-options \
  click:766,466 sleep:2 shot:04-forecast \
  click:70,716 sleep:2 key:Return shot:05-create-b-matrix \
  click:1216,632 sleep:2 shot:06-excel-preview
# The dynamic panel: the levels turned into changes, the B-matrix split, "Dynamic Menu",
# "Dynamic" for C and I.
cp data/samples/klein.csv "$work/levels.csv"
session "$work/levels.csv" click:470,667 sleep:2 click:470,696 click:635,752 shot:07-dynamic-panel \
  click:1010,122 click:1010,164 click:1036,201 sleep:2 shot:08-dynamic-chart

# The pictures of docs/screenshots that show these windows.
out=$shots
cp "$guide/07-dynamic-panel.png" "$shots/dynamic-panel.png"
cp "$guide/08-dynamic-chart.png" "$shots/dynamic-chart.png"
# Dynamic Endo with three extension years: the computed years drawn as their own series.
session "$work/klein.csv" click:616,667 type:4 key:Return sleep:2 click:635,752 \
  click:1208,201 type:3 click:443,752 sleep:2 shot:dynamic-endo-chart
# A session being recorded: the mark beside the menus and in the title.
session "$work/klein.csv" click:318,28 click:380,130 key:ctrl+a type:"$work/session.qs" key:Return sleep:1 \
  click:616,667 type:4 key:Return sleep:2 shot:tools-record-session
# KALDRON on the three-sector table: the plan's six grids with their captions.
session "" click:103,617 type:"$work/io_table.csv" key:Return sleep:1 click:160,716 \
  type:"$work/io_targets.csv" key:Return sleep:1 type:3 key:Return sleep:2 shot:kaldron-grids
# Analyze > Estimate System...: klein.sys opened and estimated by 3SLS (the window opens in
# the middle of the screen); "Use in Workbench", then the Model menu: Multipliers (7
# endogenous, horizon 20) with the menu open over them, Simulate, and the scenario of
# docs/simulation.md. The chart window is minimized (its button at 859,48) where the grids
# are to be seen; a new chart brings it back.
printf 'Wg 1933:1939 +0.5\nG 1940 = 16.1\nC 1935:1936 addfactor 1.0\n' > "$work/sc.txt"
session "$work/klein.csv" click:143,28 click:200,71 click:925,61 key:ctrl+a type:"$work/klein.sys" key:Return \
  click:1011,287 sleep:2 crop:estimate-system-klein-3sls:863x746+202+19 click:906,313 click:1011,313 \
  click:321,28 click:364,73 key:Return type:20 key:Return sleep:2 click:859,48 click:321,28 \
  crop:model-menu-multipliers-klein:1280x530+0+0 key:Escape click:321,28 click:354,95 key:Return sleep:2 \
  click:859,48 crop:model-simulate-accuracy-klein:1095x245+0+285 click:321,28 click:358,139 key:Return \
  key:ctrl+a type:"$work/sc.txt" key:Return sleep:2 crop:model-scenario-chart-klein:904x500+0+39
# The Input-Output menu over the sample table's Leontief inverse, outputs and plan.
session "$work/klein.csv" click:103,620 key:ctrl+a type:"$work/io_table.csv" key:Return click:392,28 click:440,49 \
  click:392,28 click:466,115 key:ctrl+a type:"$work/io_demand.csv" key:Return click:392,28 click:447,181 \
  key:ctrl+a type:"$work/io_plan.csv" key:Return sleep:1 click:392,28 crop:inputoutput-menu-plan:1280x530+0+0
# File > Open Model... on the LP sample: the report with its ranges in the text pane.
out=$guide
session "$work/klein.csv" click:20,28 key:m sleep:1 key:ctrl+a type:"$work/lp_model.lp" key:Return sleep:2 \
  shot:09-lp-ranging
out=$shots
# The chart of the batch tool with 11-point markers: whole at the first and the last year.
cli="$root/build/src/quantorial-cli"
"$cli" settings set quantorial ShowMarkers 1 --store "$work/store" > /dev/null
"$cli" settings set quantorial MarkerSize 11 --store "$work/store" > /dev/null
QT_QPA_PLATFORM=offscreen "$cli" run "$work/klein.csv" --endo 4 --dump "$work/dump" --chart 1 --png "$shots/markers-11pt.png" \
  --store "$work/store" > /dev/null
echo "pictures written to $guide and $shots"
