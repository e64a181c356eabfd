#!/usr/bin/env bash
# The real orinmedia under Xvfb against orin-camsim: the camera layout with the
# live picture after start-up, the storage layout after the mode button, a walk
# into DCIM/100QXCAM in the camera pane and its context menu, then the close
# button, which must leave the camera released and no temporary folder behind.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

start_x
start_camera
start_program
wait_log "REQ_STREAM_START" 20   # the deferred preview start
sleep 2                            # a few frames decoded and drawn
shot window-camera-layout

click 340 490   # to storage mode (control 1045)
wait_log "REQ_CHANGE_DIR \"QXMOV\"" 15
sleep 1
shot window-storage-layout
[ -d "$ORIN_TEMP_DIR" ] || fail "no temporary folder while running"

double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }
double_click 66 387   # the DCIM row
wait_log 'REQ_CHANGE_DIR "DCIM" -> status 0x00 \[\\DCIM\]' 10
sleep 0.5
double_click 66 405   # the 100QXCAM row, below the root row and ".."
wait_log 'REQ_CHANGE_DIR "100QXCAM"' 10
sleep 1
shot window-camera-pane-100QXCAM
xdotool mousemove --window "$WINDOW" 66 423 click 3   # the pane's menu on the first picture
sleep 1
shot window-camera-pane-menu
xdotool key Escape
sleep 0.5

click 715 37    # close (control 1001)
wait_program_end 15
[ ! -e "$ORIN_TEMP_DIR" ] || fail "the temporary folder was left behind"
last=$(grep "session" "$E2E_WORK/camsim.log" | grep REQ_ | tail -1)
echo "$last" | grep -q "REQ_SET_MODE mode 0x00" || fail "the last request was not mode 0: $last"
grep -q "close: session" "$E2E_WORK/camsim.log" || fail "the camera was not closed"
echo "window e2e: 1 passed, 0 failed"
