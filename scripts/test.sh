#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then
# the AddressSanitizer + UndefinedBehaviorSanitizer build of the tests, then the
# ThreadSanitizer run of the threaded code and the bounded fuzzing of the parsers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"
ctest --test-dir build --output-on-failure -j "$JOBS"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORIN_SANITIZE=ON -DORIN_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS"

if [ -f scripts/tsan.sh ]; then bash scripts/tsan.sh; fi
if [ -f scripts/fuzz.sh ]; then bash scripts/fuzz.sh; fi
