#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build; the
# AddressSanitizer + UndefinedBehaviorSanitizer build with every test in it,
# the end-to-end tests under Xvfb included (orinmedia, orin-cam and
# orin-camsim built with the sanitizers; a report of any process fails its
# test); the ThreadSanitizer run over the tests where threads meet
# (scripts/tsan.sh); the bounded fuzzing of the parsers (scripts/fuzz.sh).
# Prints how long each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
export JOBS
# The two fault matrices take a ctest slot each for minutes while using a
# sixth of a core (they wait out the camera's pauses), so ctest gets two
# slots more than there are cores and the rest of the suite keeps them busy.
TEST_JOBS=$((JOBS + 2))
TIMES=()
# Runs the stage $1 (the command $2...) and notes its time.
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "=== $name"
  "$@"
  TIMES+=("$name: $((SECONDS - start)) s")
}

build_and_test() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j "$JOBS"
  ctest --test-dir build --output-on-failure -j "$TEST_JOBS"
}

sanitizer_build_and_test() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORIN_SANITIZE=ON -DORIN_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
    ctest --test-dir build-asan --output-on-failure -j "$TEST_JOBS"
}

stage "build and tests" build_and_test
stage "ASan+UBSan build and tests (end-to-end included)" sanitizer_build_and_test
stage "TSan build and threaded tests" bash scripts/tsan.sh
stage "fuzzing" bash scripts/fuzz.sh
printf '%s\n' "=== times" "${TIMES[@]}"
