#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test:
# the header check, the test programs (each test in a process of its own), a sanitizer
# build of the tests of every layer up to the poster window (leak checking on) and short
# fuzz runs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-$(nproc)}  # JOBS limits the parallel jobs on a shared machine

"$top/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
phase() { echo "== $1 (at ${SECONDS}s)"; }

phase "CUPS"
# A running CUPS server with a PDF queue, for the tests that print through it.
cups_env=$("$top/scripts/cups.sh")
eval "$cups_env"

phase "Build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSELLON_WERROR=ON >/dev/null
cmake --build build -j "$jobs"

phase "Header check"
# Every header compiles alone; a library's private headers (<folder>/internal/) are
# included by bare name from the library and its own tests only.
cmake --build build -j "$jobs" --target header_check
if git grep -nE '#include "[a-z]+/internal/' -- '*.cpp' '*.h'; then
  echo "A private header is included by its path from outside its library." >&2
  exit 1
fi

phase "Tests"
ctest --test-dir build --output-on-failure -j "$jobs"

phase "Sanitizer build"
# The test programs read the leak suppressions (the toolkit's own leaks) from scripts/lsan.supp.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSELLON_SANITIZE=ON -DTESSELLON_WERROR=ON \
      -DTESSELLON_BENCH=OFF "-DTESSELLON_ONLY=testsupport;platform;pixwerk;scanvia;classlib;widetext;shell;kit;poster;editor;app" >/dev/null
cmake --build build-asan -j "$jobs"
phase "Sanitizer tests"
UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -d fuzz ]; then
  phase "Fuzzing"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSELLON_FUZZ=ON -DTESSELLON_WERROR=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSELLON_TESTS=OFF \
        -DTESSELLON_BENCH=OFF "-DTESSELLON_ONLY=platform;pixwerk;classlib;widetext;kit;fuzz" >/dev/null
  cmake --build build-fuzz -j "$jobs"
  "$top/fuzz/run.sh" "$top/build-fuzz/fuzz"
fi
echo "All tests passed (${SECONDS}s)."
