#!/bin/sh
# Builds the fuzz targets with clang-14 in their own build folder
# (build-fuzz, ORIN_FUZZ=ON) and runs each for a bounded time from its
# checked-in seeds. Exits non-zero when a target finds a fault: a crash, a
# sanitizer's report, a broken check of the target, or an input that runs
# longer than the time-out (a stall).
#   scripts/fuzz.sh                   10 s per target (CI)
#   FUZZ_SECONDS=600 scripts/fuzz.sh  before a release
# A first argument, when given, is the seconds per target.
#
# What each run learns is kept in build-fuzz/fuzz-corpus/<target> and is the
# starting point of the next run there; the checked-in seeds stay as they are.
# A fault leaves its input as build-fuzz/crash-*, leak-*, timeout-* or oom-*:
# put it into tests/fuzz/regressions/<target>/ (the replay tests then run it
# in the normal build) with a test of its own next to the code it concerns.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORIN_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-${FUZZ_SECONDS:-10}}
# An input that takes longer than this is a stall.
timeout=${FUZZ_TIMEOUT:-10}

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja \
  -DORIN_FUZZ=ON -DORIN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 orin_fuzz orin_fuzz_pixa

# The targets that work on files (a Memory Stick folder, a PC folder) keep
# them in a scratch folder under TMPDIR: on a RAM file system where there is
# one, they run ten times as fast.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

status=0
# target, longest input, folder of seeds (or -)[, options of its own]
# FuzzSimWire closes its stderr: the daemon logs every malformed frame there
# (libFuzzer's own reports still come through).
for entry in FuzzStreamHeader:8192:tests/fuzz/corpus/FuzzStreamHeader \
            FuzzDataPacket:70000:tests/fuzz/corpus/FuzzDataPacket \
            FuzzCameraReplies:32768:tests/fuzz/corpus/FuzzCameraReplies \
            FuzzSimWire:40000:tests/fuzz/corpus/FuzzSimWire:-close_fd_mask=2 \
            FuzzSimReplies:8192:tests/fuzz/corpus/FuzzSimReplies \
            FuzzPixaStill:16384:tests/pixa/fuzz/corpus/still \
            FuzzPixaTable:2048:tests/pixa/fuzz/corpus/table; do
  target=${entry%%:*}
  rest=${entry#*:}
  maxlen=${rest%%:*}
  rest=${rest#*:}
  seeds=${rest%%:*}
  options=
  [ "$seeds" != "$rest" ] && options=${rest#*:}
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  set -- "$corpus"
  [ "$seeds" != - ] && set -- "$corpus" "$root/$seeds"
  [ -n "$options" ] && set -- "$options" "$@"
  echo "== $target ($seconds s)"
  if ! (cd "$build" && "$build/bin/$target" -max_total_time="$seconds" -max_len="$maxlen" \
        -timeout="$timeout" -rss_limit_mb=2048 -print_final_stats=1 "$@"); then
    echo "$target: fault found (its input is left in $build)" >&2
    status=1
  fi
done
exit $status
