#!/usr/bin/env bash
# Regenerates the README's pictures under docs/ (or $OUT_DIR): the panel, a convex and a concave
# lens, and each colour mask, all over the same fixed test pattern on a private Xvfb's root
# window, so the pictures only change when the program's drawing does.
# Usage: scripts/readme-pictures.sh [path/to/lucivane]   (without one it builds the release program)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
if [ $# -ge 1 ]; then
  exe=$1
else
  bash scripts/install-deps.sh "${LUCIVANE_BUILD_PACKAGES[@]}" "${LUCIVANE_GUI_PACKAGES[@]}"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$(nproc)" --target lucivane
  exe=build/release/bin/lucivane
fi
out=${OUT_DIR:-docs}
mkdir -p "$out"
work=$(mktemp -d)
source scripts/x-session.sh
trap 'stop_session; rm -rf "$work"' EXIT
fail() { echo "readme-pictures: $*" >&2; exit 1; }

W=1024
H=768
SEED=2026
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$font" ] || fail "the CJK font $font is missing (fonts-wqy-microhei)"

# The test pattern: a grid (it shows how the lens bends lines), text from large to tiny, a hue
# band and plain colour patches (they show the masks), and discs placed by a seeded generator.
pattern() {
  local grid discs
  grid=$(awk -v W=$W -v H=$H 'BEGIN {
    for (x = 0; x <= W; x += 16) printf "line %d,0 %d,%d ", x, x, H
    for (y = 0; y <= H; y += 16) printf "line 0,%d %d,%d ", y, W, y }')
  discs=$(awk -v s=$SEED 'BEGIN {
    srand(s); n = split("#e6194b #3cb44b #ffe119 #4363d8 #f58231 #911eb4 #46f0f0 #f032e6 #bcf60c #008080", c, " ")
    for (i = 0; i < 28; i++) {
      x = 730 + int(rand() * 270); y = 20 + int(rand() * 480); r = 10 + int(rand() * 30)
      printf "fill %s circle %d,%d %d,%d ", c[1 + int(rand() * n)], x, y, x + r, y } }')
  convert -size ${W}x${H} gradient:'#eef3f8'-'#c4d2e0' \
    -stroke '#9aaabb' -strokewidth 1 -draw "$grid" -stroke none \
    -fill '#00000022' -draw "roundrectangle 34,204 704,444 12,12" \
    -fill white -stroke '#556070' -draw "roundrectangle 30,200 700,440 12,12" -stroke none \
    -font "$font" -fill '#1d2b3a' -pointsize 44 -annotate +40+70 'Lucivane 放大镜' \
    -pointsize 18 -fill '#334455' -annotate +42+110 '凸透镜放大，凹透镜缩小，颜色屏蔽只留下所选的通道。' \
    -fill black \
    -pointsize 18 -annotate +50+236 'The quick brown fox jumps over the lazy dog.' \
    -pointsize 16 -annotate +50+266 '敏捷的棕色狐狸跳过了那只懒狗。 0123456789' \
    -pointsize 14 -annotate +50+294 'Pack my box with five dozen liquor jugs. ABCDEFGHIJKLMNOPQRSTUVWXYZ' \
    -pointsize 13 -annotate +50+320 '春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。' \
    -pointsize 12 -annotate +50+344 'Sphinx of black quartz, judge my vow. abcdefghijklmnopqrstuvwxyz !?@#%%&*()[]{}' \
    -pointsize 11 -annotate +50+366 '床前明月光，疑是地上霜。举头望明月，低头思故乡。 1.00.0001' \
    -pointsize 10 -annotate +50+386 'How vexingly quick daft zebras jump! The five boxing wizards jump quickly.' \
    -pointsize 9 -annotate +50+404 '白日依山尽，黄河入海流。欲穷千里目，更上一层楼。' \
    -pointsize 8 -annotate +50+420 'Tiny text: a magnifier makes this readable at a glance. 0.5 1.25 2.75 42' \
    \( -size 1x1 xc:red xc:yellow xc:lime xc:cyan xc:blue xc:magenta xc:red +append \
       -filter triangle -resize 670x60! \) -geometry +30+470 -composite \
    \( -size 1x1 xc:white xc:'#c0c0c0' xc:'#808080' xc:black xc:red xc:lime xc:blue xc:cyan \
       xc:magenta xc:yellow +append -filter point -resize 670x40! \) -geometry +30+545 -composite \
    -draw "$discs" \
    -fill '#1d2b3a' -pointsize 14 -annotate +40+640 "test pattern, seed $SEED" \
    -depth 8 "$1"
}

pattern "$work/pattern.png"

start_xvfb ${W}x${H}

# The pattern becomes the root window's background (display sets it and leaves).
timeout 20 display -window root "$work/pattern.png" || true
import -window root "$work/root.png"
[ "$(compare -metric AE "$work/root.png" "$work/pattern.png" null: 2>&1)" = 0 ] ||
  fail "the root window does not show the test pattern"

start_program "$exe"
# Out of the way of the lenses: the lower right corner.
xdotool windowmove "$panel" $((W - 310)) $((H - 242))
sleep 0.5

click() { xdotool mousemove --window "$panel" "$1" "$2" click 1; sleep 0.3; }
root_id=$(printf '%d' "$(xwininfo -root | awk '/Window id:/ { print $4 }')")
# The lens window: a visible, untitled window over the whole screen (the root aside).
lens_window_open() {
  local w
  for w in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
    [ "$w" = "$root_id" ] && continue
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q "Geometry: ${W}x${H}" && return 0
  done
  return 1
}
# The colour list entry by index: open the list, go to the top, step down, choose.
colour() {
  click 100 67
  xdotool key Home
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  sleep 0.3
}
# lens <x> <y> <file> <crop geometry>: Start, a lens at (x, y), the screen cropped, then the
# click and the move that close the lens.
lens() {
  click 254 36
  for _ in $(seq 100); do lens_window_open && break; sleep 0.1; done
  lens_window_open || fail "the lens window did not open"
  sleep 0.5
  xdotool mousemove $(($1 - 40)) $(($2 - 30))
  sleep 0.2
  xdotool mousemove "$1" "$2"
  sleep 0.6
  import -window root -crop "$4" +repage "$work/$3"
  xdotool click 1
  sleep 0.2
  xdotool mousemove $(($1 + 5)) $(($2 + 5))
  for _ in $(seq 100); do lens_window_open || break; sleep 0.1; done
  lens_window_open && fail "the lens window did not close"
  sleep 0.3
}

# Pictures are stored without time stamps, 8 bits a channel: an unchanged picture stays the same
# file and git sees no change.
save() { convert "$1" -strip -depth 8 "$out/$2"; echo "picture: $out/$2"; }

import -window "$panel" "$work/panel.png"
save "$work/panel.png" panel.png

# Radius 150, factor 75: convex, then concave, over the text card.
lens 365 300 lens-convex.png 560x400+85+100
click 56 24
lens 365 300 lens-concave.png 560x400+85+100
click 56 24
save "$work/lens-convex.png" lens-convex.png
save "$work/lens-concave.png" lens-concave.png

# Each colour mask over the hue band, the patches and the bottom of the card: the lens square.
names=(none red green blue yellow magenta cyan)
captions=("" "红色 red" "绿色 green" "蓝色 blue" "黄色 yellow" "洋红 magenta" "青色 cyan")
tiles=()
for i in 1 2 3 4 5 6; do
  colour "$i"
  file=mask-${names[$i]}.png
  lens 250 480 "$file" 300x300+100+330
  save "$work/$file" "$file"
  tiles+=(-label "${captions[$i]}" "$work/$file")
done
colour 0
montage -font "$font" -pointsize 16 "${tiles[@]}" -tile 3x2 -geometry 240x240+6+6 \
  -background white "$work/masks.png"
save "$work/masks.png" masks.png

exit_program
[ "$status" -eq 0 ] || fail "the program ended with status $status"
