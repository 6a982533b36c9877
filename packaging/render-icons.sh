#!/usr/bin/env bash
# Renders the icon's PNG sizes from vantor.svg; the PNGs are committed, so that building needs
# no renderer. Run again after changing the drawing (rsvg-convert: package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" vantor.svg --output "icons/vantor-$size.png"
done
# The window's and the splash screen's own icon, so that the program looks like its menu entry.
cp icons/vantor-32.png ../app/vantor.png
