#!/usr/bin/env bash
# cmake --install into a scratch prefix: the program, the menu entry and the three icons land
# where a freedesktop menu looks for them, and the installed entry is valid; the AppStream
# metadata, the manual page and the documentation files are there too.
# Usage: install_tree_test.sh <build dir> <desktop-file-validate> <desktop entry id>
set -euo pipefail
build=$1
validate=$2
id=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/lucivane" ] || fail "bin/lucivane missing or not executable"
for f in share/metainfo/$id.metainfo.xml share/man/man1/lucivane.1.gz \
  share/doc/lucivane/copyright share/doc/lucivane/changelog.gz; do
  [ -f "$prefix/$f" ] || fail "$f missing"
done
entry=$prefix/share/applications/$id.desktop
[ -f "$entry" ] || fail "share/applications/$id.desktop missing"
"$validate" "$entry" || fail "installed entry does not validate"

# The keys a menu needs, exactly; the Chinese name and comment must be there too.
for line in 'Type=Application' 'Name=Lucivane' 'Exec=lucivane' 'Icon=lucivane' \
  'Categories=Utility;Accessibility;'; do
  grep -qxF "$line" "$entry" || fail "entry lacks '$line'"
done
for key in 'Name\[zh_CN\]' 'Comment' 'Comment\[zh_CN\]'; do
  grep -qE "^$key=.+" "$entry" || fail "entry lacks $key"
done
# The Chinese texts must be valid UTF-8 with CJK characters in them.
grep '^Name\[zh_CN\]=' "$entry" | iconv -f UTF-8 -t UTF-8 >/dev/null || fail "zh_CN name not UTF-8"
grep -P '^Comment\[zh_CN\]=.*[\x{4e00}-\x{9fff}]' "$entry" >/dev/null ||
  fail "zh_CN comment has no Chinese text"

icons=$prefix/share/icons/hicolor
for size in 24 48; do
  png=$icons/${size}x${size}/apps/lucivane.png
  [ -f "$png" ] || fail "$png missing"
  got=$(identify -format '%w %h %[channels]' "$png")
  case "$got" in
    "$size $size srgba"* | "$size $size rgba"*) ;;
    *) fail "$png is '$got', want ${size}x${size} with alpha" ;;
  esac
  # A transparent corner and an opaque lens rim: a picture, not a blank square.
  corner=$(convert "$png" -format '%[fx:int(255*p{0,0}.a)]' info:)
  [ "$corner" -eq 0 ] || fail "$png: top-left corner not transparent ($corner)"
  opaque=$(convert "$png" -alpha extract -threshold 50% -format '%[fx:mean]' info:)
  awk -v m="$opaque" 'BEGIN { exit !(m > 0.25 && m < 0.75) }' ||
    fail "$png: opaque share $opaque is not that of a lens icon"
done
svg=$icons/scalable/apps/lucivane.svg
[ -f "$svg" ] || fail "$svg missing"
grep -q '<svg' "$svg" || fail "$svg is not an SVG"
echo "install tree OK"
