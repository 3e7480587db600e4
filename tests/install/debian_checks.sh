#!/usr/bin/env bash
# Debian's own checks on the package made by make_package.sh.
# Usage: debian_checks.sh <lintian|hardening|manpage|appstream> <out dir>
set -euo pipefail
out=$2
root=$out/root
fail() { echo "FAIL: $*" >&2; exit 1; }

case $1 in
lintian)
  # Every tag lintian knows, down to pedantic ones; overridden tags do not show.
  tags=$(lintian -I --pedantic --fail-on none "$out"/*.deb 2>"$out/lintian.err") ||
    fail "lintian failed: $(cat "$out/lintian.err")"
  [ -z "$tags" ] || fail "lintian tags:"$'\n'"$tags"
  ;;
hardening)
  # Control-flow protection cannot be marked here: Debian 12's crti.o lacks the IBT/SHSTK
  # property, so the linker drops it from every program (Debian's own included).
  hardening-check --nocfprotection "$root/usr/bin/lucivane" || fail "hardening-check failed"
  # Only the build id note is left beside the loadable sections.
  sections=$(readelf -SW "$root/usr/bin/lucivane")
  ! grep -qE ' \.(comment|note|debug_[a-z]+|symtab) ' <<<"$sections" ||
    fail "unstripped sections: $(grep -oE ' \.(comment|note|debug_[a-z]+|symtab) ' <<<"$sections")"
  ;;
manpage)
  page=$root/usr/share/man/man1/lucivane.1.gz
  [ -f "$page" ] || fail "no manual page"
  text=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$out/man.err")
  [ ! -s "$out/man.err" ] || fail "man warnings: $(cat "$out/man.err")"
  for heading in NAME SYNOPSIS DESCRIPTION OPTIONS REQUIREMENTS 'EXIT STATUS' 'SEE ALSO'; do
    grep -qx "$heading" <<<"$text" || fail "manual page lacks $heading"
  done
  ;;
appstream)
  # The metainfo alone, then with the desktop entry and icons it names, as a software centre
  # reads the installed tree.
  appstreamcli validate --no-net --explain "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "metainfo does not validate"
  appstreamcli validate-tree --no-net "$root/usr" || fail "installed tree does not validate"
  ;;
*) fail "unknown check $1" ;;
esac
echo "$1 OK"
