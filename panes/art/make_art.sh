#!/bin/sh
# Turns the panes' SVG sources into the 24-bit BMPs panes.rc compiles in (rsvg-convert and
# ImageMagick, installed by scripts/setup.sh). The outputs are committed: run this after
# editing an SVG and commit both.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# bmp NAME BACKGROUND: transparent parts become BACKGROUND (the colour the reader keys on)
bmp() {
  rsvg-convert "$here/svg/$1.svg" -o "$tmp/$1.png"
  convert "$tmp/$1.png" -background "$2" -alpha remove -alpha off -type TrueColor "BMP3:$here/$1.bmp"
}

bmp dialog_skin '#FFFFFF'   # white pixels of the skin let the dialog's fill show
bmp msg_error '#FF0000'     # pictures beside a message: pure red is transparent
bmp msg_success '#FF0000'
bmp check_box '#FF0000'      # 13 x 13: unchecked, checked
bmp scroll_skin '#FFFFFF'    # 9 columns x 3 rows of 14 x 14 cells
bmp note_shared '#FF0000'    # 26 x 26: shared-note mark plain, focused, selected
bmp note_attach '#FF0000'    # 13 x 12 marks of a note row
bmp note_reminder '#FF0000'
bmp search_buttons '#FF0000' # search box: chip frame, clear, search and scope buttons
