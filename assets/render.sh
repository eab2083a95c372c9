#!/usr/bin/env bash
# Renders every icon source in assets/src/NAME.svg to assets/icons/NAME.png at the size the
# SVG declares and to assets/icons/NAME@2x.png at twice that size (for screens scaled to 150%
# and more, where Qt picks the @2x picture), and the program icon to assets/hicolor/SIZExSIZE/corvanta.png at the sizes
# the desktop's icon theme asks for. The PNGs are committed, so a build needs no artwork
# tools; run this after editing a source. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons
for source in src/*.svg; do
  name=$(basename "$source" .svg)
  rsvg-convert "$source" -o "icons/$name.png"
  rsvg-convert --zoom 2 "$source" -o "icons/$name@2x.png"
done
echo "Rendered $(ls src/*.svg | wc -l) icons at 1x and 2x into assets/icons/."
for size in 16 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" src/corvanta.svg -o "hicolor/${size}x${size}/corvanta.png"
done
echo "Rendered the program icon into assets/hicolor/ at 16 to 256 pixels."
