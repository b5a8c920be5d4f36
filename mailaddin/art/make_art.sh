#!/bin/sh
# Turns the SVG sources in svg/ into the BMP and ICO resources Mailvane.dll compiles in. Needs
# rsvg-convert (librsvg2-bin) and ImageMagick, as resources/art/make_art.sh does. The outputs
# are committed: run this after editing an SVG and commit both.
# Transparent parts become the key colour the reader masks on: red for image lists, white for
# the skin bitmaps drawn with TransparentBlt.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src=$here/svg
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# bmp NAME KEY OUT: a 24-bit BMP of svg/NAME.svg at its own size, transparent parts in KEY
bmp() {
  rsvg-convert "$src/$1.svg" -o "$tmp/$1.png"
  convert "$tmp/$1.png" -background '#FFFFFF' -alpha remove -alpha off "$tmp/$1-flat.png"
  convert "$tmp/$1.png" -alpha extract -threshold 40% "$tmp/$1-mask.png"
  convert "$tmp/$1-flat.png" "$tmp/$1-mask.png" -alpha off -compose CopyOpacity -composite \
    -background "$2" -alpha remove -alpha off -type TrueColor "BMP3:$3"
}

bmp dlg_skin '#FFFFFF' "$here/dlg_skin.bmp"
bmp btn_face '#FFFFFF' "$here/btn_face.bmp"
bmp btn_face_pressed '#FFFFFF' "$here/btn_face_pressed.bmp"
bmp check '#FF0000' "$here/check.bmp"
bmp folders '#FF0000' "$here/folders.bmp"
bmp arrow '#FF0000' "$here/arrow.bmp"
bmp chip '#FF0000' "$here/chip.bmp"
for s in 16 32 48; do rsvg-convert -w $s -h $s "$src/mailvane_icon.svg" -o "$tmp/icon-$s.png"; done
convert "$tmp/icon-16.png" "$tmp/icon-32.png" "$tmp/icon-48.png" "$here/mailvane.ico"
