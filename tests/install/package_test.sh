#!/usr/bin/env bash
# The Debian package: cpack -G DEB from the (built) build tree, the file name and the control
# fields, the files it carries, then the program unpacked with dpkg -x into a scratch root starts
# under a private Xvfb, shows its panel and ends with status 0 through Exit.
# Usage: package_test.sh <build dir> <version>
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/x-session.sh"
trap 'stop_session; rm -rf "$work"' EXIT
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

start_xvfb 1024x768
start_program "$exe"
# Exit (the lower right button) ends the program.
sleep 0.3
exit_program
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/stderr")"
echo "package $(basename "$deb") OK"
