#!/bin/sh
# ThreadSanitizer run over the tests where our threads meet:
#  - the transfer and format threads with the window (copies both ways, delete,
#    format, the PC-side faults, a stick swapped while a copy waits, questions
#    carried to the GUI thread),
#  - the streaming worker with recording, still capture and the source element
#    (the worker's tests, stills on the worker, the GStreamer preview tests:
#    the source under GstHarness, worker, source and sink together; the window
#    switching modes, losing the camera, recording and taking stills while
#    the worker runs),
#  - the movie player (its streaming threads drawing and posting to the window),
#  - the simulator daemon (a thread per client, the control socket, the live
#    stream's pacing thread) and the driver library's sim backend against it.
# A bounded selection, so that the run stays a few minutes on two cores.
# Builds only those targets in build-tsan; exits non-zero on any report.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORIN_TSAN_BUILD:-$root/build-tsan}
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DORIN_TSAN=ON -DORIN_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" -j"$jobs" orin_video_tests orin_gst_tests player_tests live_tests gui_tests \
  camsim_daemon_tests teskdll_daemon_test

# Third-party code only (GLib, GStreamer, libav, Qt internals) is suppressed,
# each line says why (tsan.supp). Reports go to files, so that those of the
# processes a test starts (the daemon, orin-cam) count as well.
reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
# die_after_fork=0: a process the tests start (ffprobe through QProcess)
# passes through a forked child of this multi-threaded one on its way to
# exec; TSan cannot follow threads there and would end that child, which is
# not a race of ours.
export TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 second_deadlock_stack=1 suppressions=$root/scripts/tsan.supp log_path=$reports/tsan"
export QT_QPA_PLATFORM=offscreen
status=0
run() {  # NAME [GTEST FILTER]
  echo "== $1${2:+ ($2)}"
  "$build/bin/$1" --gtest_brief=1 ${2:+"--gtest_filter=$2"} || status=1
}
# The window's tests, the longest, run beside the others; their output
# follows once they end.
gui_log="$reports/gui_tests.out"
(
  run gui_tests 'FileOpsWindowTest.*:PcFaultsTest.*:StickSwapTest.*:FileCommandDetailsTest.*:GuiThreadUi.*:CameraModeTest.*:PreviewTest.*:LinkLostTest.*:RecordingTest.*:CaptureTest.*'
  exit $status
) >"$gui_log" 2>&1 &
gui_pid=$!
run orin_video_tests
run orin_gst_tests
run player_tests
run live_tests 'StillCapture.*:StillOnTheWorker.*:LiveWorker.*:Recording.*'
run camsim_daemon_tests
run teskdll_daemon_test
wait "$gui_pid" || status=1
cat "$gui_log"
for f in "$reports"/tsan.*; do
  [ -e "$f" ] || continue
  echo "--- ThreadSanitizer report of process ${f##*.}:"
  cat "$f"
  status=1
done
exit $status
