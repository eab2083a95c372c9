#!/usr/bin/env bash
# Renders the installed templates from the sources beside this script: for each design NAME,
# the template NAME.t, the fourteen navigation pictures NAME<page>.gif (the design's button
# with the page's caption on it), the preview NAME.jpg (201 x 145) and the design's own
# pictures that its template lists in its image block. The rendered files are committed, so
# a build needs none of these tools.
# Needs: rsvg-convert, ImageMagick's convert, the URW fonts and python3
# (scripts/install-deps.sh --templates installs them).
# Usage: data/templates-src/render.sh [DESIGN...]
set -euo pipefail
cd "$(dirname "$0")"
out=../templates
convert=/usr/bin/convert   # ImageMagick itself, not a wrapper that may flatten transparency
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

captions=(Home Contact About Events Downloads FAQ Links Gallery Portfolio Products Services
          Press Support Jobs)

# navigation NAME SCALE: NAME/button.svg holds the caption as @CAPTION@; the picture is drawn
# at SCALE times its size so that it stays sharp on high-density screens (the template sets
# its displayed size).
navigation() {
  local name=$1 scale=$2 caption file
  for caption in "${captions[@]}"; do
    file=$(echo "$caption" | tr '[:upper:]' '[:lower:]')
    sed "s/@CAPTION@/$caption/g" "$name/button.svg" > "$work/button.svg"
    rsvg-convert --zoom="$scale" "$work/button.svg" -o "$work/button.png"
    "$convert" "$work/button.png" -background white -flatten +dither -colors 128 \
      "$out/$name$file.gif"
  done
}

# preview NAME: the 201 x 145 picture the template viewer shows.
preview() {
  rsvg-convert -w 201 -h 145 "$1/preview.svg" -o "$work/preview.png"
  "$convert" "$work/preview.png" -background white -flatten -quality 92 "$out/$1.jpg"
}

# picture SOURCE TARGET [SCALE]: one of a design's own pictures (.jpg, .gif or .png).
picture() {
  rsvg-convert --zoom="${3:-1}" "$1" -o "$work/picture.png"
  case "$2" in
    *.jpg) "$convert" "$work/picture.png" -background white -flatten -quality 85 "$out/$2" ;;
    *.gif) "$convert" "$work/picture.png" +dither -colors 64 "$out/$2" ;;
    *) cp "$work/picture.png" "$out/$2" ;;
  esac
}

render_Classic() {
  navigation Classic 2
  preview Classic
  picture Classic/rule.svg Classicrule.gif 2
}

render_Harbour() {
  navigation Harbour 2
  preview Harbour
  picture Harbour/banner.svg Harbourbanner.jpg
}

render_Meadow() {
  navigation Meadow 2
  preview Meadow
  picture Meadow/banner.svg Meadowbanner.jpg
  picture Meadow/leaf.svg Meadowleaf.png 2
}

render_Midnight() {
  navigation Midnight 2
  preview Midnight
  picture Midnight/stars.svg Midnightstars.png
}

render_Plain() {
  navigation Plain 2
  preview Plain
}

render_Signal() {
  navigation Signal 2
  preview Signal
}

# Each design's template, NAME.t: NAME/template.html with the parts every design shares
# (shared.css and shared-script.html) put in at their marks, ending every line in CR LF.
template() {
  python3 - "$1" "$out/$1.t" <<'PYTHON'
import sys
name, target = sys.argv[1], sys.argv[2]
shared_css = open("shared.css").read().rstrip("\n")
shared_script = open("shared-script.html").read().rstrip("\n")
text = open(name + "/template.html").read()
text = text.replace("@SHARED-CSS@", shared_css).replace("@SHARED-SCRIPT@", shared_script)
open(target, "wb").write(text.replace("\n", "\r\n").encode("ascii"))
PYTHON
}

# With no arguments every design is rendered; name designs to render only those.
designs=("$@")
[[ ${#designs[@]} -eq 0 ]] && designs=(Classic Harbour Meadow Midnight Plain Signal)
for design in "${designs[@]}"; do
  "render_$design"
  template "$design"
done
