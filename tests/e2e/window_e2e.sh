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
wait_log "REQ_STREAM_START"   # the deferred preview start
# The video frame (control 1034) shows the live picture: the test card's many colours.
wait_until 60 "no live picture in the video frame" shows_more_than 280 200 330 150 50
shot window-camera-layout

click 340 490   # to storage mode (control 1045)
wait_log "REQ_CHANGE_DIR \"QXMOV\""
# The storage layout is painted: the video frame stands empty and black.
wait_until 60 "the video frame kept its picture in storage mode" shows_exactly 280 200 330 150 1
shot window-storage-layout
[ -d "$ORIN_TEMP_DIR" ] || fail "no temporary folder while running"

double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }
# The program talks to the camera on its window's thread, so a click sent
# once the camera has answered a step's last request is handled after it.
double_click 66 387   # the DCIM row
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\DCIM\]'
double_click 66 405   # the 100QXCAM row, below the root row and ".."
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\DCIM\\100QXCAM\]'
# Painted: the fifth row (DCAM0002.JPG; empty in DCIM) carries a name.
wait_until 60 "the pictures of 100QXCAM are not shown" shows_more_than 90 12 50 419 1
shot window-camera-pane-100QXCAM
xdotool mousemove --window "$WINDOW" 66 423 click 3   # the pane's menu on the first picture
wait_until 60 "no menu" other_window 60 >/dev/null
shot window-camera-pane-menu
xdotool key Escape
wait_until 60 "the menu stayed open" no_other_window

click 715 37    # close (control 1001)
wait_program_end
[ ! -e "$ORIN_TEMP_DIR" ] || fail "the temporary folder was left behind"
last=$(grep "session" "$E2E_WORK/camsim.log" | grep REQ_ | tail -1)
echo "$last" | grep -q "REQ_SET_MODE mode 0x00" || fail "the last request was not mode 0: $last"
grep -q "close: session" "$E2E_WORK/camsim.log" || fail "the camera was not closed"
echo "window e2e: 1 passed, 0 failed"
