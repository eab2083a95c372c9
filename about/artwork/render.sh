#!/usr/bin/env bash
# Renders the product picture (452 x 302 JPEG) that the splash and about windows show, from
# product.svg beside this script. The rendered file is committed, so a build needs none of
# these tools.
# Needs: rsvg-convert (librsvg2-bin) and ImageMagick's convert (imagemagick).
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert   # ImageMagick itself, not a wrapper
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rsvg-convert -w 452 -h 302 product.svg -o "$work/product.png"
# Baseline (not progressive), 4:2:0 colour, no metadata: the plainest file for libjpeg.
"$convert" "$work/product.png" -background white -flatten -strip -interlace none \
  -sampling-factor 2x2,1x1,1x1 -quality 90 product.jpg
