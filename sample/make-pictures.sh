#!/usr/bin/env bash
# Draws the sample catalogue's skins (small GIFs, one folder per category). The pictures are
# committed; run this only to change them (needs imagemagick and the DejaVu fonts).
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
W=180; H=240

skin() { # folder name colour1 colour2 seed
  local dir="catalogue/$1" name="$2"
  mkdir -p "$dir"
  convert -size ${W}x${H} -seed "$5" plasma:"$3"-"$4" -blur 0x3 \
    -font "$font" -pointsize 15 -fill 'rgba(255,255,255,0.85)' -gravity south \
    -annotate +0+12 "$name" -colors 64 "$dir/$name.gif"
}

skin "Auto Motor" "Rode Ferrari" '#b00000' '#ff6a4d' 11
skin "Auto Motor" "Blauwe Kever" '#1b3f8f' '#8fb7ff' 12
skin "Auto Motor" "Zwarte Harley" '#101010' '#7a7a7a' 13
skin "Natuur" "Bos" '#114d1c' '#8fd17a' 21
skin "Natuur" "Zee" '#00507a' '#a6e4ff' 22
skin "Natuur" "Zonsondergang" '#7a2a00' '#ffc24d' 23
skin "Sport" "Voetbal" '#1d6b1d' '#e8ffe8' 31
skin "Sport" "Tennis" '#c9a200' '#fff6c2' 32

# One animated skin: a star that moves across the night sky.
mkdir -p "catalogue/Abstract"
frames=()
for i in 0 1 2 3 4 5; do
  x=$((20 + i * 28)); y=$((60 + (i % 2) * 20))
  f="$(mktemp --suffix=.gif)"
  convert -size ${W}x${H} gradient:'#050a30'-'#2b3f8f' \
    -fill '#fff6a0' -draw "circle $x,$y $((x + 6)),$y" \
    -font "$font" -pointsize 15 -fill 'rgba(255,255,255,0.85)' -gravity south \
    -annotate +0+12 "Vallende Ster" -colors 32 "$f"
  frames+=("$f")
done
convert -delay 25 -loop 0 "${frames[@]}" "catalogue/Abstract/Vallende Ster.gif"
rm -f "${frames[@]}"
skin "Abstract" "Regenboog" '#ff0080' '#00e0ff' 41
