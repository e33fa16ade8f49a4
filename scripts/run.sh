#!/usr/bin/env bash
# Installs what is missing, builds, and does the program's main job: the window, with the
# log given as argument preselected. Without a display, the command-line front end lists
# the storage devices of the given log (or of the bundled sample) as a table.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
log=${1:-}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/src/app/tillery ${log:+"\"$log\""}
fi
log=${log:-tests/data/sample_xp.log}
out=$(mktemp --suffix=.xls)
rm -f "$out"
./build/src/app/tillery-cli --type rules -o "$out" "$log"
echo "Storage devices found in $log (table written to $out):"
cat "$out"
