#!/bin/sh
# make-icon.sh SIZE FILE
# Writes an icon file holding one SIZE x SIZE image (32-bit colour with
# alpha, SIZE a multiple of 16 up to 128): a white letter T on a blue square
# with a dark rim, the icon of the two setup programs.
set -eu
size=$1
out=$2

# Little-endian integers as printf escapes.
u8() { printf '\\%03o' $(($1 & 255)); }
u16() { printf "%s" "$(u8 "$1")$(u8 $(($1 >> 8)))"; }
u32() { printf "%s" "$(u16 $(($1 & 65535)))$(u16 $(($1 >> 16)))"; }

# Pixels as blue, green, red, alpha.
rim="$(u8 0x4a)$(u8 0x2a)$(u8 0x10)$(u8 255)"
blue="$(u8 0xb0)$(u8 0x70)$(u8 0x2a)$(u8 255)"
white="$(u8 255)$(u8 255)$(u8 255)$(u8 255)"

colourBytes=$((size * size * 4))
maskRowBytes=$((((size + 31) / 32) * 4))
imageBytes=$((40 + colourBytes + maskRowBytes * size))
unit=$((size / 16))

# The colour of pixel (x, y), y counted from the top, on a grid of 16 x 16
# cells: the rim is the outer cell, the bar of the T cells 3 to 12 of rows
# 3 to 5, its stem columns 6 to 9 of rows 6 to 12.
pixel() {
  cx=$(($1 / unit))
  cy=$(($2 / unit))
  if [ $cx -eq 0 ] || [ $cy -eq 0 ] || [ $cx -eq 15 ] || [ $cy -eq 15 ]; then
    printf "%s" "$rim"
  elif [ $cy -ge 3 ] && [ $cy -le 5 ] && [ $cx -ge 3 ] && [ $cx -le 12 ]; then
    printf "%s" "$white"
  elif [ $cy -ge 6 ] && [ $cy -le 12 ] && [ $cx -ge 6 ] && [ $cx -le 9 ]; then
    printf "%s" "$white"
  else
    printf "%s" "$blue"
  fi
}

{
  # The icon directory with its one entry; the image follows at offset 22.
  printf "$(u16 0)$(u16 1)$(u16 1)"
  printf "$(u8 "$size")$(u8 "$size")$(u8 0)$(u8 0)$(u16 1)$(u16 32)$(u32 $imageBytes)$(u32 22)"
  # The bitmap header; its height counts the colour rows and the mask rows.
  printf "$(u32 40)$(u32 "$size")$(u32 $((size * 2)))$(u16 1)$(u16 32)$(u32 0)$(u32 $colourBytes)"
  printf "$(u32 0)$(u32 0)$(u32 0)$(u32 0)"
  # Colour rows, bottom row first.
  y=$((size - 1))
  while [ $y -ge 0 ]; do
    row=""
    x=0
    while [ $x -lt "$size" ]; do
      row="$row$(pixel $x $y)"
      x=$((x + 1))
    done
    printf "$row"
    y=$((y - 1))
  done
  # The transparency mask: all clear, the alpha channel decides.
  zero="$(u8 0)"
  i=0
  while [ $i -lt $((maskRowBytes * size)) ]; do
    printf "$zero"
    i=$((i + 1))
  done
} > "$out"
