#!/bin/sh
# Turns the SVG sources in svg/ into the BMP and ICO resources the program and Lumawin.dll
# compile in. Needs rsvg-convert (librsvg2-bin) and ImageMagick (both installed by
# scripts/setup.sh). The outputs are committed: run this after editing an SVG and commit both.
#
# Transparent parts become the key colour the resource's reader masks on (red for image-list
# strips, grey 192 for tool-bar strips, magenta for button images); edge pixels are blended
# onto the light face colour so that masked images stay crisp without a fringe of the key.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src=$here/svg
widgets=$here/../../widgets/res
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
face='#F4F7FB'

# bmp NAME KEY OUT: a 24-bit BMP of svg/NAME.svg at its own size
bmp() {
  rsvg-convert "$src/$1.svg" -o "$tmp/$1.png"
  convert "$tmp/$1.png" -background "$face" -alpha remove -alpha off "$tmp/$1-flat.png"
  convert "$tmp/$1.png" -alpha extract -threshold 40% "$tmp/$1-mask.png"
  convert "$tmp/$1-flat.png" "$tmp/$1-mask.png" -alpha off -compose CopyOpacity -composite \
    -background "$2" -alpha remove -alpha off -type TrueColor "BMP3:$3"
}

# ico NAME OUT: 16, 32 and 48 pixel images with alpha
ico() {
  for s in 16 32 48; do rsvg-convert -w $s -h $s "$src/$1.svg" -o "$tmp/$1-$s.png"; done
  convert "$tmp/$1-16.png" "$tmp/$1-32.png" "$tmp/$1-48.png" "$2"
}

bmp btn_normal '#FFFFFF' "$here/btn_normal.bmp"
bmp btn_pushed '#FFFFFF' "$here/btn_pushed.bmp"
bmp tab '#FFFFFF' "$here/tab.bmp"
bmp states '#FF0000' "$here/states.bmp"
bmp combo_drop '#FF0000' "$here/combo_drop.bmp"
bmp gripper '#FFFFFF' "$here/gripper.bmp"
bmp note16 '#FF00FF' "$here/note16.bmp"
bmp toolbar '#C0C0C0' "$here/toolbar.bmp"
for s in U D F X; do bmp okbutton$s '#FFFFFF' "$here/okbutton$s.bmp"; done
ico pelora_icon "$here/pelora.ico"
ico note_icon "$here/note.ico"
bmp lw_toolbar_states '#FF0000' "$widgets/toolbar_states.bmp"
bmp lw_size_grip '#FF0000' "$widgets/size_grip.bmp"
bmp lw_folders '#FFFFFF' "$widgets/folders.bmp"
bmp lw_htmllist '#FF00FF' "$widgets/htmllist.bmp"
