#!/usr/bin/env bash
# Renders the program's icon (src/res/icons/brumble.svg) to the PNG sizes that are committed
# beside it and installed into the hicolor theme. Run after changing the SVG; needs
# rsvg-convert (package librsvg2-bin). The build itself only uses the committed PNGs.
set -euo pipefail
cd "$(dirname "$0")/../src/res/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" brumble.svg --output "brumble-$size.png"
done
