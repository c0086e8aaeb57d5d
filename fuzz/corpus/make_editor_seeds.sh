#!/usr/bin/env bash
# Makes the seed files of the editor's file fuzz programs, written byte by byte: user filter
# files of none, one and two filters, and palette files of 16 and 256 colours.
# Run from anywhere; writes userfilt/ and palfile/ beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/userfilt" "$here/palfile"

byte() { printf "\\x$(printf %02x $(($1 & 255)))"; }
le16() { byte $1; byte $(($1 >> 8)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# record NAME DIVISOR BIAS CENTRE
record() {
  le32 "$2"; le32 "$3"
  for ((i = 0; i < 25; i++)); do if [ $i -eq 12 ]; then le32 "$4"; else le32 -1; fi; done
  printf '%s' "$1"; head -c $((257 - ${#1})) /dev/zero
  head -c 259 /dev/zero
}
{ le32 0x000E3B57; le32 0; } >"$here/userfilt/empty.dat"
{ le32 0x000E3B57; le32 1; record "Sharpen" 1 0 9; } >"$here/userfilt/one.dat"
{ le32 0x000E3B57; le32 2; record "Soft" 9 0 1; record "Relief" 1 128 1; } >"$here/userfilt/two.dat"

# palette COUNT
palette() {
  le16 768; le16 "$1"
  for ((i = 0; i < 256; i++)); do byte $((i * 7)); byte $((255 - i)); byte $((i * 3)); byte 0; done
}
palette 16 >"$here/palfile/sixteen.pal"
palette 256 >"$here/palfile/full.pal"
