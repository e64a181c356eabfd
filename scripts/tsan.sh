#!/bin/sh
# ThreadSanitizer run of the threaded video code: the streaming worker's tests,
# the still capture on the worker against the in-process simulator, the
# GStreamer preview tests (the source element under GstHarness, worker, source
# element and sink together) and the
# movie player's (its streaming threads drawing and posting to the window).
# Builds only those targets in build-tsan; exits non-zero on any report.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORIN_TSAN_BUILD:-$root/build-tsan}

cmake -S "$root" -B "$build" -G Ninja -DORIN_TSAN=ON -DORIN_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j2 orin_video_tests orin_gst_tests player_tests live_tests

# GLib's and GStreamer's own locks are futexes TSan cannot see; reports whose
# stacks lie in those uninstrumented libraries are suppressed (tsan.supp).
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen
status=0
for t in orin_video_tests orin_gst_tests player_tests; do
  echo "== $t"
  "$build/bin/$t" --gtest_brief=1 || status=1
done
echo "== live_tests (stills)"
"$build/bin/live_tests" --gtest_brief=1 --gtest_filter='StillCapture.*:StillOnTheWorker.*' || status=1
exit $status
