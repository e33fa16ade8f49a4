#!/usr/bin/env bash
# Starts the window under a virtual X server with a window manager, and takes screenshots
# of the main window and of the rules dialog into docs/screenshots/. The settings live in a
# temporary folder, never in the user's own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --screenshots
[ -x build/src/app/tillery ] || bash scripts/build.sh

display=:${SCREENSHOT_DISPLAY:-91}
cfg=$(mktemp -d)
mkdir -p "$cfg/VORN"
work=$(mktemp -d)
# A deep evidence folder, as cases have them: its path is longer than the status line.
evidence="$work/Evidence/Case 2006-0412 Workstation 7 (imaged 2006-05-02)/Partition 1/WINDOWS"
mkdir -p "$evidence"
cp tests/data/sample_xp.log "$evidence/setupapi.log"
sample=$evidence/setupapi.log
cat >"$cfg/VORN/VORN.ini" <<INI
[Settings]
Open=$sample
Save=$sample.xls
Summary=2
INI

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $wm $xvfb 2>/dev/null || true; rm -rf "$cfg" "$work"' EXIT
export DISPLAY=$display XDG_CONFIG_HOME=$cfg
sleep 1
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
./build/src/app/tillery "\"$sample\"" >/dev/null 2>&1 &
app=$!

# Waits for a window whose title matches, other than the one given, and prints its id.
wait_for() {
  local id
  for _ in $(seq 50); do
    for id in $(xdotool search --name "$1" 2>/dev/null); do
      [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
    done
    sleep 0.2
  done
  echo "no window titled $1 appeared" >&2
  return 1
}

# Shoots the frame of the window with the given id (title bar included).
shoot() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "$((WIDTH + 8))x$((HEIGHT + 60))+$((X - 4))+$((Y - 54))" +repage "$2"
}
window=$(wait_for '^Tillery \(VORN\) beta$')
xdotool windowmove --sync "$window" 40 40
sleep 1

shoot "$window" docs/screenshots/main-window.png

# "Set Rules" sits at 280,88 (121 x 25) in the window.
xdotool mousemove --window "$window" 340 100 click 1
dialog=$(wait_for '^VORN - Rules$')
sleep 1
# Show the drive-finding defaults: "Reset with drive defaults" sits at 136,240 (145 x 25).
xdotool mousemove --window "$dialog" 200 252 click 1
sleep 1
shoot "$dialog" docs/screenshots/rules-dialog.png

# Close the dialog ("Close/Cancel" at 440,240), press Start (488,64) and shoot the box
# that ends the run.
xdotool mousemove --window "$dialog" 488 252 click 1
sleep 1
xdotool mousemove --window "$window" 536 76 click 1
box=$(wait_for '^Tillery \(VORN\) beta$' "$window")
shoot "$box" docs/screenshots/extraction-complete.png
xdotool windowactivate --sync "$box" key Return
sleep 1

# The file-open dialog ("Open" at 520,8).
xdotool mousemove --window "$window" 552 20 click 1
open_dialog=$(wait_for '^Select setupapi.log file to extract from:$')
shoot "$open_dialog" docs/screenshots/open-dialog.png
echo "Screenshots written to docs/screenshots/"
