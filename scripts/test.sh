#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
# the test programs, a sanitizer build of the lower layers' tests and short fuzz runs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc)

"$top/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen

echo "== CUPS"
# A running CUPS server with a PDF queue, for the tests that print through it.
cups_env=$("$top/scripts/cups.sh")
eval "$cups_env"

echo "== Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

echo "== Tests"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSELLON_SANITIZE=ON \
      -DTESSELLON_BENCH=OFF "-DTESSELLON_ONLY=testsupport;platform;pixwerk;classlib;widetext;shell;kit" >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -d fuzz ]; then
  echo "== Fuzzing"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSELLON_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSELLON_TESTS=OFF \
        -DTESSELLON_BENCH=OFF "-DTESSELLON_ONLY=platform;pixwerk;classlib;kit;fuzz" >/dev/null
  cmake --build build-fuzz -j "$jobs"
  "$top/fuzz/run.sh" "$top/build-fuzz/fuzz"
fi
echo "All tests passed."
