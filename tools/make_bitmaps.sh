#!/usr/bin/env bash
# Draws the Delete button's two bitmaps, white text on red, 96 x 28 pixels, 16 colours:
# 119 (the Japanese word) and 120 (the English one), into src/app/res/. The build uses the
# checked-in .bmp files; run this again only to change them. Needs ImageMagick and the IPA
# Gothic font (fonts-ipafont-gothic), which tools/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
[ -f "$font" ] || { echo "make_bitmaps: $font is missing (run tools/setup.sh)" >&2; exit 1; }
command -v convert >/dev/null || { echo "make_bitmaps: ImageMagick's convert is missing" >&2; exit 1; }

# draw <text> <point size> <output>: the text centred on red; the edge shades of the lettering
# are reduced to a 16-colour palette without dithering, written as a plain 4-bit Windows bitmap.
draw() {
    convert -size 96x28 xc:'#E00000' -font "$font" -pointsize "$2" -fill white \
        -stroke white -strokewidth 0.6 -gravity center -annotate +0+0 "$1" \
        +dither -colors 16 -type Palette -depth 4 -strip BMP3:"$3"
}
draw "削除" 18 src/app/res/delete_ja.bmp
draw "Delete" 17 src/app/res/delete_en.bmp
echo "make_bitmaps: src/app/res/delete_ja.bmp and delete_en.bmp written"
