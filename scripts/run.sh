#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it: the poster window with the
# start picture. Arguments are passed to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

"$top/scripts/setup.sh"

echo "== Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tessellon

program="$top/build/app/tessellon"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$program" "$@"
elif command -v xvfb-run >/dev/null 2>&1; then
  echo "No display: running on a virtual X server (xvfb-run); the window is not visible." >&2
  exec xvfb-run -a "$program" "$@"
else
  echo "No display found: set DISPLAY (or WAYLAND_DISPLAY) and run $program" >&2
  exit 1
fi
