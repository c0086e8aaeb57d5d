#!/usr/bin/env bash
# Wall time and peak memory of printing the benchmark poster (6,000 x 4,000, 4 x 4 pages of
# A4 landscape) to PDF, side by side with what else turns these pictures into PDF here:
#   ours         the poster through the PDF file printer (JPEG: the file's own data;
#                PNG: the default setting, and with --flate lossless)
#   qtpdf        the same 16 pages through a plain QPdfWriter and QPainter::drawImage
#   img2pdf, gm  the whole picture on one page, where those tools are installed
#   big          ours, one page of a 12,000 x 8,000 picture made in memory
# One warm-up run each, then RUNS (default 5) rounds that take the variants in turn; the
# median and the range of each, and pdfimages -list of each document.
#   scripts/bench-poster.sh [build folder]   (default: build; needs -DTESSELLON_BENCH=ON)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${RUNS:-5}
prog=$build/bench/posterprint_bench
[ -x "$prog" ] || { echo "bench-poster.sh: $prog is not built" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-poster.sh: /usr/bin/time is needed (package time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
"$prog" --make "$work" 2>/dev/null

declare -A command
command[ours-jpg]="$prog --once $work/poster.jpg $work/ours-jpg.pdf"
command[qtpdf-jpg]="$prog --qtpdf $work/poster.jpg $work/qtpdf-jpg.pdf"
command[ours-png]="$prog --once $work/poster.png $work/ours-png.pdf"
command[ours-png-flate]="$prog --flate $work/poster.png $work/ours-png-flate.pdf"
command[qtpdf-png]="$prog --qtpdf $work/poster.png $work/qtpdf-png.pdf"
command[big]="$prog --big $work/big.pdf"
order=(ours-jpg qtpdf-jpg)
if command -v img2pdf >/dev/null; then
  command[img2pdf-jpg]="img2pdf $work/poster.jpg -o $work/img2pdf-jpg.pdf"
  command[img2pdf-png]="img2pdf $work/poster.png -o $work/img2pdf-png.pdf"
  order+=(img2pdf-jpg)
fi
if command -v gm >/dev/null; then
  command[gm-jpg]="gm convert $work/poster.jpg $work/gm-jpg.pdf"
  order+=(gm-jpg)
fi
order+=(ours-png ours-png-flate qtpdf-png)
[ -n "${command[img2pdf-png]:-}" ] && order+=(img2pdf-png)
order+=(big)

declare -A times mems
for v in "${order[@]}"; do ${command[$v]} >/dev/null 2>&1 || echo "warning: $v failed" >&2; done
for _ in $(seq 1 "$runs"); do
  for v in "${order[@]}"; do
    /usr/bin/time -v ${command[$v]} >/dev/null 2>"$work/time.txt" || true
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt" |
           awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    mem=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    times[$v]+="$wall "
    mems[$v]+="$((mem / 1024)) "
  done
done

stats() {  # median, then min-max, of the numbers given
  printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { printf "%s (%s-%s)", a[int((NR + 1) / 2)], a[1], a[NR] }'
}
printf '%-16s %-24s %-22s %s\n' variant "wall s: median (range)" "peak MB: median (range)" "PDF MB"
for v in "${order[@]}"; do
  pdf=$work/$v.pdf
  size=$( [ -f "$pdf" ] && awk "BEGIN { printf \"%.1f\", $(stat -c %s "$pdf") / 1e6 }" || echo -)
  # shellcheck disable=SC2086
  printf '%-16s %-24s %-22s %s\n' "$v" "$(stats ${times[$v]})" "$(stats ${mems[$v]})" "$size"
done
if command -v pdfimages >/dev/null; then
  for v in "${order[@]}"; do
    [ -f "$work/$v.pdf" ] || continue
    echo "== pdfimages -list $v (first lines)"
    pdfimages -list "$work/$v.pdf" | head -4
  done
fi
