#!/usr/bin/env bash
# Makes the Debian package with cpack from the (built) build tree into <out dir> and unpacks it
# with dpkg -x into <out dir>/root, for the package tests that follow.
# Usage: make_package.sh <build dir> <out dir>
set -euo pipefail
build=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) ||
  { cat "$out/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: made: $(ls "$out")" >&2; exit 1; }
dpkg -x "${debs[0]}" "$out/root"
echo "made $(basename "${debs[0]}")"
