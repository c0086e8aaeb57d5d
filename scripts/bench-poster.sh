#!/usr/bin/env bash
# Wall time and peak memory of printing the benchmark poster to PDF, from the JPEG and from
# the PNG: one warm-up run, then the median of 3 runs under /usr/bin/time -v.
#   scripts/bench-poster.sh [build folder]   (default: build; needs -DTESSELLON_BENCH=ON)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
prog=$build/bench/posterprint_bench
[ -x "$prog" ] || { echo "bench-poster.sh: $prog is not built" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-poster.sh: /usr/bin/time is needed (package time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
"$prog" --make "$work" 2>/dev/null
for kind in jpg png; do
  "$prog" --once "$work/poster.$kind" "$work/out.pdf" >/dev/null 2>&1  # warm-up
  times=(); mems=()
  for _ in 1 2 3; do
    /usr/bin/time -v "$prog" --once "$work/poster.$kind" "$work/out.pdf" >/dev/null 2>"$work/time.txt"
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    mem=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    times+=("$wall"); mems+=("$mem")
  done
  mt=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
  mm=$(printf '%s\n' "${mems[@]}" | sort -n | sed -n 2p)
  echo "$kind: wall ${mt} s, peak $((mm / 1024)) MB (median of 3; runs: ${times[*]} s)"
done
