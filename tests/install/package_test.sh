#!/usr/bin/env bash
# The Debian package: cpack -G DEB from the (built) build tree, the file name and the control
# fields, the files it carries, then the program unpacked with dpkg -x into a scratch root starts
# under a private Xvfb, shows its panel and ends with status 0 through Exit.
# Usage: package_test.sh <build dir> <version>
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
deb=$work/out/lucivane_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$work/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lucivane ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
for f in Maintainer Description Section; do [ -n "$(field $f)" ] || fail "no $f"; done
depends=$(field Depends)
# The CJK font by hand, the libraries from dpkg-shlibdeps, with versions.
for want in 'fonts-wqy-microhei | fonts-noto-cjk' 'libqt6widgets6 (>=' 'libqt6gui6 (>=' \
  'libpixman-1-0 (>=' 'libxcb1' 'libc6 (>='; do
  grep -qF -- "$want" <<<"$depends" || fail "Depends lacks '$want': $depends"
done

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/lucivane /usr/share/applications/lucivane.desktop \
  /usr/share/icons/hicolor/24x24/apps/lucivane.png /usr/share/icons/hicolor/48x48/apps/lucivane.png \
  /usr/share/icons/hicolor/scalable/apps/lucivane.svg; do
  grep -qxF "$f" "$work/files" || fail "package lacks $f"
done
# Nothing but the program's own files: no libraries, headers or test programs.
extra=$(grep -v -e '/$' -e '^/usr/bin/lucivane$' -e '^/usr/share/applications/' \
  -e '^/usr/share/icons/hicolor/' "$work/files" || true)
[ -z "$extra" ] || fail "unexpected files in the package: $extra"

root=$work/root
dpkg -x "$deb" "$root"
exe=$root/usr/bin/lucivane
[ -x "$exe" ] || fail "unpacked program is not executable"

Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$work/display" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$exe" 2>"$work/stderr" &
app_pid=$!
panel=""
for _ in $(seq 150); do
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended at start: $(cat "$work/stderr")"
  for w in $(xdotool search --onlyvisible --name '^Lucivane$' 2>/dev/null); do
    if xdotool getwindowgeometry "$w" | grep -q 'Geometry: 300x232'; then panel=$w; fi
  done
  [ -n "$panel" ] && break
  sleep 0.1
done
[ -n "$panel" ] || fail "the panel did not appear"

# Exit (the lower right button) ends the program.
sleep 0.3
xdotool mousemove --window "$panel" 254 92 click 1
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after Exit"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/stderr")"
echo "package $(basename "$deb") OK"
