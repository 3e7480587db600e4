#!/usr/bin/env bash
# Renders the committed PNG icons from icons/lucivane.svg with rsvg-convert.
# Run it after changing the SVG and commit the PNGs with it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${LUCIVANE_ICON_PACKAGES[@]}"
cd packaging/icons
for size in 24 48; do
  rsvg-convert -w "$size" -h "$size" lucivane.svg -o "lucivane-$size.png"
done
