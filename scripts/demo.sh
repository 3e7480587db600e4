#!/usr/bin/env bash
# Headless demo: starts a private Xvfb (it picks a free display number), runs the program on it,
# changes the settings through xdotool and saves screenshots under out/ (or $OUT_DIR).
# Usage: scripts/demo.sh [path/to/lucivane]
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${1:-build/release/bin/lucivane}
out=${OUT_DIR:-out}
mkdir -p "$out"
work=$(mktemp -d)
fail() { echo "$*" >&2; exit 1; }
source scripts/x-session.sh
trap 'stop_session; rm -rf "$work"' EXIT

start_xvfb 1280x800
echo "Xvfb on $DISPLAY"
start_program "$exe"
sleep 0.5

# Clicks at (x, y) in panel coordinates.
click() { xdotool mousemove --window "$panel" "$1" "$2" click 1; sleep 0.2; }
shot() { import -window "$panel" "$out/$1"; echo "screenshot: $out/$1"; }

shot panel.png
import -window root "$out/screen.png"; echo "screenshot: $out/screen.png"

# The lens: Start, a few moves, a screenshot of the whole screen, then a click and a move close
# it. The lens window covers the screen; the panel is back when it has gone.
lens() {
  xdotool mousemove --window "$panel" 254 36 click 1
  sleep 1
  xdotool mousemove 100 100; sleep 0.2
  xdotool mousemove 1200 700; sleep 0.2
  xdotool mousemove 560 330; sleep 0.5
  import -window root "$out/$1"; echo "screenshot: $out/$1"
  xdotool click 1; sleep 0.1
  xdotool mousemove_relative 5 5; sleep 0.5
}
lens lens-convex.png
click 56 24          # concave
lens lens-concave.png
click 56 24          # convex again

# Radius: two clicks in the trough right of the thumb, a page step (25) each: 150 -> 200.
click 150 109
click 150 109
# Factor: three clicks on the left arrow: 75 -> 72.
click 20 147
click 20 147
click 20 147
# Concave lens: clear the check box.
click 56 24
# Colour: open the list and pick the second entry (red).
click 100 67
xdotool key Down Return
sleep 0.3
shot panel-changed.png
lens lens-red.png

# Desktop restore: the blank window is shown and hidden at once; the panel stays.
click 254 150
sleep 0.3
shot panel-after-restore.png

# Exit ends the program.
exit_program
echo "program ended with status $status"
exit "$status"
