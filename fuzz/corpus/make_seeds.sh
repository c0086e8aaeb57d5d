#!/usr/bin/env bash
# Makes the seed files of the BMP, PCX, TGA and IFF fuzz programs: netpbm's files and a
# few written byte by byte for what netpbm does not write.
# Run from anywhere; writes bmp/, pcx/, tga/ and iff/ beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$here"/{bmp,pcx,tga,iff}

# Small pictures: 2 colours, 16 colours, a few hundred colours, grey.
ppmpat -gingham2 -color=red,blue 11 6 | pnmquant 2 -quiet > "$work/two.ppm"
pamgradient red green blue white 17 7 | pamtopnm | pnmquant 16 -quiet > "$work/sixteen.ppm"
pamgradient black red yellow blue 19 6 | pamtopnm | pnmquant 200 -quiet > "$work/many.ppm"
pamgradient red green blue white 21 9 | pamtopnm > "$work/true.ppm"
pgmramp -lr 15 4 > "$work/grey.pgm"

for bpp in 1 4 8 24; do
  case $bpp in 1) in=two ;; 4) in=sixteen ;; 8) in=many ;; 24) in=true ;; esac
  ppmtobmp -windows -bpp=$bpp "$work/$in.ppm" > "$here/bmp/windows$bpp.bmp"
  ppmtobmp -os2 -bpp=$bpp "$work/$in.ppm" > "$here/bmp/os2-$bpp.bmp"
done
ppmtopcx "$work/two.ppm" > "$here/pcx/two.pcx"
ppmtopcx "$work/sixteen.ppm" > "$here/pcx/planes4.pcx"
ppmtopcx -packed "$work/sixteen.ppm" > "$here/pcx/packed4.pcx"
ppmtopcx -planes=2 "$work/two.ppm" > "$here/pcx/planes2.pcx"
ppmtopcx -8bit "$work/many.ppm" > "$here/pcx/eight.pcx"
ppmtopcx -24bit "$work/true.ppm" > "$here/pcx/rgb.pcx"
ppmtotga -cmap "$work/many.ppm" > "$here/tga/cmap-rle.tga"
ppmtotga -cmap -norle "$work/sixteen.ppm" > "$here/tga/cmap.tga"
ppmtotga -rgb "$work/true.ppm" > "$here/tga/rgb-rle.tga"
ppmtotga -rgb -norle "$work/true.ppm" > "$here/tga/rgb.tga"
ppmtotga -mono "$work/grey.pgm" > "$here/tga/grey-rle.tga"
ppmtotga -mono -norle "$work/grey.pgm" > "$here/tga/grey.tga"
ppmtoilbm "$work/two.ppm" > "$here/iff/planes1.iff"
ppmtoilbm "$work/sixteen.ppm" > "$here/iff/planes4.iff"
ppmtoilbm -fixplanes 8 -nocompress "$work/many.ppm" > "$here/iff/planes8.iff"
ppmtoilbm -24force "$work/true.ppm" > "$here/iff/deep.iff"
ppmtoilbm -hamforce "$work/true.ppm" > "$here/iff/ham6.iff"
ppmtoilbm -ham8 -hamforce "$work/true.ppm" > "$here/iff/ham8.iff"

# Byte by byte: little- and big-endian numbers as printf escapes.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)); }
le32() { printf '%s%s' "$(le16 $(($1 & 65535)))" "$(le16 $(($1 >> 16 & 65535)))"; }
be16() { printf '\\x%02x\\x%02x' $(($1 >> 8 & 255)) $(($1 & 255)); }
be32() { printf '%s%s' "$(be16 $(($1 >> 16 & 65535)))" "$(be16 $(($1 & 65535)))"; }
hex() { printf '%s' "$1" | sed 's/\(..\)/\\x\1/g'; }
emit() { printf '%b' "$1" > "$2"; }

# BMP: header size, width, height, bits, compression, colour table and masks (hex), pixels (hex).
bmp() {
  local table pixels info
  table=$(hex "$6"); pixels=$(hex "$7")
  info="$(le32 "$1")$(le32 "$2")$(le32 "$3")$(le16 1)$(le16 "$4")$(le32 "$5")$(le32 $((${#7} / 2)))"
  info+="$(le32 2835)$(le32 2835)$(le32 0)$(le32 0)"
  local pad=$(( $1 - 40 )) tail=""
  while [ $pad -gt 0 ]; do tail+='\x00'; pad=$((pad - 1)); done
  local off=$(( 14 + $1 + ${#6} / 2 ))
  printf '%b' "BM$(le32 $((off + ${#7} / 2)))$(le32 0)$(le32 $off)$info$tail$table$pixels"
}
bmp 40 6 4 8 1 "000000001010100020202000ffffff00" "03050003010203000000000a070000000002020102090001" > "$here/bmp/rle8.bmp"
bmp 40 9 2 4 2 "000000004040400080808000ffffff00" "05120003345000001466000000010000" > "$here/bmp/rle4.bmp"
bmp 40 3 2 16 3 "00f80000e00700001f000000" "00f8e0071f00000000001f00e0070000" > "$here/bmp/bits565.bmp"
bmp 40 2 -2 24 0 "" "0000ff00ff000000ff0000ffffff0000" > "$here/bmp/topdown.bmp"

# TGA: 16-bit pixels and 32-bit pixels with alpha, top-left origin.
emit "\x00\x00\x02$(le16 0)$(le16 0)\x00$(le32 0)$(le16 3)$(le16 1)\x10\x00$(hex 00fce0031042)" "$here/tga/rgb16.tga"
emit "\x00\x00\x0a$(le16 0)$(le16 0)\x00$(le32 0)$(le16 2)$(le16 2)\x20\x28$(hex 810064488001020304ff09090900)" "$here/tga/rgba-rle.tga"

# LBM: a chunky PBM picture with a colour map.
body=$(hex 0301020300fd01)
emit "FORM$(be32 62)PBM BMHD$(be32 20)$(be16 4)$(be16 2)$(be32 0)\x08\x00\x01\x00$(be16 0)\x01\x01$(be16 4)$(be16 2)CMAP$(be32 6)$(hex 102030ffffff)BODY$(be32 7)$body\x00" "$here/iff/chunky.lbm"
