#!/usr/bin/env bash
# Builds Lucivane (Release, build/release/bin/lucivane) and runs it.
# With a usable $DISPLAY the program starts there. Without one, scripts/demo.sh starts a private
# Xvfb, runs the program, drives a short scripted demo and saves screenshots under out/.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
bash scripts/install-deps.sh "${LUCIVANE_BUILD_PACKAGES[@]}" "${LUCIVANE_GUI_PACKAGES[@]}"

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exe=build/release/bin/lucivane

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting $exe on $DISPLAY"
  exec "$exe"
fi
echo "No usable display: running the scripted demo under Xvfb"
exec scripts/demo.sh "$exe"
