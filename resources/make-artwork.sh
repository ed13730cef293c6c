#!/usr/bin/env bash
# Draws the placeholder preview and the program icon. The results are committed; run this only
# to change the artwork (needs imagemagick, librsvg2-bin and the DejaVu fonts). icon.svg, the
# scalable icon, is drawn by hand on the same grid as the small ones below.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# Placeholder: a soft contact-list background with the program's name. The line below it is
# drawn by the program, in the language in use. Drawn as a JPEG and kept as that JPEG's pixels in
# a PNG: the program decodes PNG without a plug-in, so its start loads no image plug-in at all.
convert -size 203x293 -seed 7 plasma:'#dcecff'-'#7fa8d8' -blur 0x6 \
  \( -size 203x293 gradient:'rgba(255,255,255,0.55)'-'rgba(40,80,150,0.25)' \) -compose over -composite \
  -fill 'rgba(255,255,255,0.75)' -draw 'roundrectangle 14,96 188,196 10,10' \
  -fill '#23508c' -draw 'circle 40,126 40,114' \
  -fill '#3f7fd0' -draw 'rectangle 58,118 170,124' -draw 'rectangle 58,130 150,134' \
  -fill '#2f9a48' -draw 'circle 40,166 40,154' \
  -fill '#3f7fd0' -draw 'rectangle 58,158 176,164' -draw 'rectangle 58,170 140,174' \
  -font "$font" -pointsize 24 -fill '#1d3f72' -gravity north -annotate +0+36 'Drapello' \
  -quality 95 jpg:- | convert jpg:- -strip png24:placeholder.png

# Icon: a little contact list with a patterned background.
for size in 32 48; do
  s=$((size)); m=$((size / 16)); r=$((size / 8))
  convert -size ${s}x${s} xc:none \
    -fill '#2a5da8' -draw "roundrectangle $m,$m $((s - m - 1)),$((s - m - 1)) $r,$r" \
    -fill '#9fd0ff' -draw "roundrectangle $((3 * m)),$((5 * m)) $((s - 3 * m - 1)),$((s - 3 * m - 1)) $m,$m" \
    -fill '#ffb000' -draw "circle $((6 * m)),$((8 * m)) $((6 * m)),$((6 * m + m / 2 + 1))" \
    -fill '#1f4f9a' -draw "rectangle $((8 * m)),$((7 * m + m / 2)) $((12 * m)),$((8 * m + m / 2))" \
    -fill '#2f9a48' -draw "circle $((6 * m)),$((11 * m)) $((6 * m)),$((9 * m + m / 2 + 1))" \
    -fill '#1f4f9a' -draw "rectangle $((8 * m)),$((10 * m + m / 2)) $((11 * m)),$((11 * m + m / 2))" \
    -fill 'rgba(255,255,255,0.9)' -draw "rectangle $((3 * m)),$((2 * m)) $((s - 3 * m - 1)),$((4 * m - 1))" \
    icon-$size.png
done
rsvg-convert -w 256 -h 256 icon.svg | convert - -strip icon-256.png
