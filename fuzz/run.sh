#!/usr/bin/env bash
# Runs every fuzz program in the given folder for a short, repeatable run each: a fixed
# seed and a fixed number of inputs (FUZZ_RUNS, default 30000), at most FUZZ_SECONDS
# (default 60) each.
set -euo pipefail
dir=${1:?folder of the fuzz programs}
seconds=${FUZZ_SECONDS:-60}
runs=${FUZZ_RUNS:-30000}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for prog in "$dir"/fuzz_*; do
  [ -f "$prog" ] && [ -x "$prog" ] || continue
  name=$(basename "$prog")
  corpus=$(mktemp -d)
  seeds="$here/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "-- $name ($runs inputs)"
  if ! "$prog" -seed=1 -runs="$runs" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=0 "$corpus" >"$corpus.log" 2>&1; then
    tail -n 40 "$corpus.log"
    status=1
  fi
  rm -rf "$corpus" "$corpus.log"
done
exit $status
