#!/usr/bin/env bash
# Draws the panel picture, the window icon and the installed icons with ImageMagick. The
# pictures are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"

# Panel face, stored uncompressed so that it shows without decoding: a grey rounded rectangle with a bevelled rim, 286 x 493, 24-bit colour.
convert -size 286x493 xc:'#efefef' \
  -fill '#5a5a5a' -draw 'roundrectangle 2,2 285,492 22,22' \
  -fill '#e2e2e2' -draw 'roundrectangle 0,0 281,488 22,22' \
  -fill '#8c8c8c' -draw 'roundrectangle 5,5 283,490 20,20' \
  -fill '#b4b4b4' -draw 'roundrectangle 5,5 279,486 20,20' \
  -fill '#a9a9a9' -draw 'roundrectangle 12,12 273,480 16,16' \
  -depth 8 -type TrueColor BMP3:panel.bmp

# Window icon: the panel face in small with two columns of buttons, 24-bit colour. Drawn on a
# 40-unit grid and scaled, so that the installed 48 and 256 pixel icons are the same picture.
draw_icon() {
  local size=$1 file=$2
  local scale
  scale=$(awk "BEGIN { print $size / 40 }")
  convert -size "${size}x${size}" xc:'#2b4c7e' -draw "scale $scale,$scale
    fill '#e2e2e2' roundrectangle 9,2 31,37 4,4
    fill '#a9a9a9' roundrectangle 11,4 30,36 3,3
    fill '#3a3a3a'
    rectangle 14,8 18,11 rectangle 23,8 27,11
    rectangle 14,15 18,18 rectangle 23,15 27,18
    rectangle 14,22 18,25 rectangle 23,22 27,25
    fill '#d01010' rectangle 14,29 18,32 fill '#10a010' rectangle 23,29 27,32" \
    -depth 8 -define png:color-type=2 "$file"
}
draw_icon 40 icon.png
for size in 48 256; do
  mkdir -p "../packaging/icons/${size}x${size}"
  draw_icon "$size" "../packaging/icons/${size}x${size}/kvr-config.png"
done
