#!/usr/bin/env bash
# Renders every icon source in assets/src/NAME.svg to assets/icons/NAME.png at the size the
# SVG declares. The PNGs are committed, so a build needs no artwork tools; run this after
# editing a source. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons
for source in src/*.svg; do
  name=$(basename "$source" .svg)
  rsvg-convert "$source" -o "icons/$name.png"
done
echo "Rendered $(ls src/*.svg | wc -l) icons into assets/icons/."
