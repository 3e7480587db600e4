#!/usr/bin/env bash
# The Debian package made by make_package.sh: the file name and the control fields, the files it
# carries, then the program it unpacked starts under a private Xvfb, shows its panel and ends with
# status 0 through Exit.
# Usage: package_test.sh <package dir> <version> <desktop entry id>
set -euo pipefail
out=$1
version=$2
id=$3
work=$(mktemp -d)
source "$(dirname "$0")/../../scripts/x-session.sh"
trap 'stop_session; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

arch=$(dpkg --print-architecture)
deb=$out/lucivane_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$out")"

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

# A Wayland session needs Qt's wayland platform and the desktop portal with a backend.
recommends=$(field Recommends)
for want in xdg-utils qt6-wayland 'xdg-desktop-portal,' \
  'xdg-desktop-portal-gtk | xdg-desktop-portal-kde'; do
  grep -qF -- "$want" <<<"$recommends" || fail "Recommends lacks '$want': $recommends"
done

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
icons=/usr/share/icons/hicolor
for f in /usr/bin/lucivane /usr/share/applications/$id.desktop \
  /usr/share/metainfo/$id.metainfo.xml /usr/share/man/man1/lucivane.1.gz \
  /usr/share/doc/lucivane/copyright /usr/share/doc/lucivane/changelog.gz \
  $icons/24x24/apps/lucivane.png $icons/48x48/apps/lucivane.png \
  $icons/scalable/apps/lucivane.svg; do
  grep -qxF "$f" "$work/files" || fail "package lacks $f"
done
# Nothing but the program's own files: no libraries, headers or test programs.
extra=$(grep -v -e '/$' -e '^/usr/bin/lucivane$' -e '^/usr/share/applications/' \
  -e '^/usr/share/icons/hicolor/' -e '^/usr/share/metainfo/' -e '^/usr/share/man/man1/' \
  -e '^/usr/share/doc/lucivane/' "$work/files" || true)
[ -z "$extra" ] || fail "unexpected files in the package: $extra"

exe=$out/root/usr/bin/lucivane
[ -x "$exe" ] || fail "unpacked program is not executable"
# Wayland compositors find the menu entry by the app id the program sets (a UTF-16 literal).
strings -el "$exe" | grep -qxF "$id" || fail "the program does not name its menu entry $id"

start_xvfb 1024x768
start_program "$exe"
# Exit (the lower right button) ends the program.
sleep 0.3
exit_program
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(cat "$work/stderr")"
echo "package $(basename "$deb") OK"
