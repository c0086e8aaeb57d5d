#!/usr/bin/env bash
# The thumbnail browser on 500 JPEG photographs of 4,000 x 3,000 (made by the benchmark in
# the folder given, about 1.2 GB), GraphicsMagick's thumbnails of the same folder beside it.
# Installs graphicsmagick for this benchmark only when it is missing.
#   scripts/bench-browser.sh [build folder [picture folder]]   (needs -DTESSELLON_BENCH=ON)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
folder=${2:-/tmp/tessellon-browser-bench}
prog=$build/bench/browser_bench
[ -x "$prog" ] || { echo "bench-browser.sh: $prog is not built" >&2; exit 1; }
if ! command -v gm >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y graphicsmagick >/dev/null
fi
QT_QPA_PLATFORM=offscreen "$prog" "$folder"
