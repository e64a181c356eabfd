#!/bin/sh
# Builds the ASF parser fuzz targets with clang-14 in their own build folder
# and runs each for a bounded time. Exits non-zero when a target crashes.
#   scripts/fuzz.sh [seconds per target, default 20]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORIN_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-20}

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
  -DORIN_FUZZ=ON -DORIN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 FuzzStreamHeader FuzzDataPacket

status=0
for target in FuzzStreamHeader FuzzDataPacket; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  echo "== $target ($seconds s)"
  if ! (cd "$build" && "$build/bin/$target" -max_total_time="$seconds" -max_len=70000 \
        -print_final_stats=1 "$corpus"); then
    echo "$target: crash (reproducer left in $build)" >&2
    status=1
  fi
done
exit $status
