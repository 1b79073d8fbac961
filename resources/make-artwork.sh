#!/usr/bin/env bash
# Draws the panel picture and the window icon with ImageMagick. The PNG files are
# committed; run this only to change them.
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

# Window icon: the panel face in small with two columns of buttons, 40 x 40, 24-bit colour.
convert -size 40x40 xc:'#2b4c7e' \
  -fill '#e2e2e2' -draw 'roundrectangle 9,2 31,37 4,4' \
  -fill '#a9a9a9' -draw 'roundrectangle 11,4 30,36 3,3' \
  -fill '#3a3a3a' \
  -draw 'rectangle 14,8 18,11' -draw 'rectangle 23,8 27,11' \
  -draw 'rectangle 14,15 18,18' -draw 'rectangle 23,15 27,18' \
  -draw 'rectangle 14,22 18,25' -draw 'rectangle 23,22 27,25' \
  -fill '#d01010' -draw 'rectangle 14,29 18,32' -fill '#10a010' -draw 'rectangle 23,29 27,32' \
  -depth 8 -define png:color-type=2 icon.png
