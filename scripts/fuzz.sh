#!/bin/sh
# Builds the parser fuzz targets (ASF stream, PIXA still and table) with
# clang-14 in their own build folder and runs each for a bounded time, from
# its checked-in seeds where it has some. Exits non-zero when a target crashes.
#   scripts/fuzz.sh [seconds per target, default 20]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORIN_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-20}

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
  -DORIN_FUZZ=ON -DORIN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 FuzzStreamHeader FuzzDataPacket FuzzPixaStill FuzzPixaTable

status=0
# target, longest input, folder of seeds (or -)
for spec in FuzzStreamHeader:70000:- FuzzDataPacket:70000:- \
            FuzzPixaStill:16384:tests/pixa/fuzz/corpus/still FuzzPixaTable:2048:tests/pixa/fuzz/corpus/table; do
  target=${spec%%:*}
  rest=${spec#*:}
  maxlen=${rest%%:*}
  seeds=${rest#*:}
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  set -- "$corpus"
  [ "$seeds" != - ] && set -- "$corpus" "$root/$seeds"
  echo "== $target ($seconds s)"
  if ! (cd "$build" && "$build/bin/$target" -max_total_time="$seconds" -max_len="$maxlen" \
        -print_final_stats=1 "$@"); then
    echo "$target: crash (reproducer left in $build)" >&2
    status=1
  fi
done
exit $status
