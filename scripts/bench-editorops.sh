#!/usr/bin/env bash
# The editor's colour, geometry and effect operations against GraphicsMagick on the same
# 6,000 x 4,000 picture, both on one thread. Installs graphicsmagick for this benchmark
# only when it is missing.
#   scripts/bench-editorops.sh [build folder]   (default: build; needs -DTESSELLON_BENCH=ON)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
prog=$build/bench/editorops_bench
[ -x "$prog" ] || { echo "bench-editorops.sh: $prog is not built" >&2; exit 1; }
if ! command -v gm >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y graphicsmagick >/dev/null
fi
QT_QPA_PLATFORM=offscreen "$prog"
