#!/usr/bin/env bash
# Makes the seed files of the editor's clipboard block fuzz program from the BMP seeds:
# each file's DIB (the file without its 14-byte head) behind a 2-byte length, and for the
# 1-bit one a selection mask block of its size after it.
# Run from anywhere after make_seeds.sh; writes clipdib/ beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/clipdib"
for f in "$here"/bmp/windows*.bmp; do
  name=$(basename "$f" .bmp)
  dib=$(( $(stat -c %s "$f") - 14 ))
  out="$here/clipdib/$name"
  printf "\\x$(printf %02x $((dib & 255)))\\x$(printf %02x $((dib >> 8)))" > "$out"
  tail -c +15 "$f" >> "$out"
done
# The 1-bit seed is 11 x 6: a mask block of 52 bytes and six rows of 4 bytes.
w=11 h=6
{
  printf '\x28\x00\x00\x00'
  printf "\\x$(printf %02x $w)\\x00\\x00\\x00\\x$(printf %02x $h)\\x00\\x00\\x00"
  printf '\x01\x00\x01\x00\x00\x00\x00\x00\x18\x00\x00\x00'
  head -c 16 /dev/zero
  printf '\x00\x00\x00\x00\xff\xff\xff\x00\x00\x00\x00\x00'
  for _ in $(seq $h); do printf '\xff\xe0\x00\x00'; done
} >> "$here/clipdib/windows1"
