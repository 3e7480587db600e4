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
xvfb_pid=""
app_pid=""

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -noreset -nolisten tcp 3>"$work/display" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
echo "Xvfb on $DISPLAY"

"$exe" &
app_pid=$!

# The panel: the visible 300 x 232 window named Lucivane.
panel=""
for _ in $(seq 100); do
  for w in $(xdotool search --onlyvisible --name '^Lucivane$' 2>/dev/null); do
    if xdotool getwindowgeometry "$w" | grep -q 'Geometry: 300x232'; then panel=$w; fi
  done
  [ -n "$panel" ] && break
  sleep 0.1
done
[ -n "$panel" ] || { echo "the panel did not appear" >&2; exit 1; }
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
click 254 92
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "the program did not end after Exit" >&2
  exit 1
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
echo "program ended with status $status"
exit "$status"
