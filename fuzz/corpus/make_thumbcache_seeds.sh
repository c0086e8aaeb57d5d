#!/usr/bin/env bash
# Makes the seed files of the thumbnail cache fuzz program, written byte by byte: caches
# of one and of three entries at 1, 4, 8 and 24 bits per pixel.
# Run from anywhere; writes thumbcache/ beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/thumbcache"

byte() { printf "\\x$(printf %02x $(($1 & 255)))"; }
le16() { byte $1; byte $(($1 >> 8)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# entry NAME BITS WIDTH HEIGHT
entry() {
  local name=$1 bits=$2 w=$3 h=$4
  local colours=$((1 << bits)) table=0 line=$(( (w * bits + 31) / 32 * 4 ))
  [ "$bits" -le 8 ] && table=$colours
  local image=$((line * h))
  printf '%s' "$name"
  head -c $((261 - ${#name})) /dev/zero
  for v in "$bits" "$w" "$h" $((w * 4)) $((h * 4)) "$colours" 1 12345; do le32 "$v"; done
  le32 $((40 + 4 * table + image))
  le32 40; le32 "$w"; le32 "$h"; le16 1; le16 "$bits"; le32 0; le32 "$image"; le32 3780; le32 3780
  le32 "$table"; le32 0
  for ((c = 0; c < table; c++)); do
    local g=$((c * 255 / (colours - 1)))
    byte $g; byte $g; byte $g; byte 0
  done
  head -c "$image" /dev/zero | tr '\0' '\125'
}

{ le16 $((0x0E3B)); le32 1; entry mono.bmp 1 16 9; } > "$here/thumbcache/one.cbf"
{ le16 $((0x0E3B)); le32 3; entry a.pcx 4 7 5; entry b.gif 8 3 2; entry c.jpg 24 5 4; } > "$here/thumbcache/three.cbf"
