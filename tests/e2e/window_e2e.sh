#!/usr/bin/env bash
# The real orinmedia under Xvfb against orin-camsim: the camera layout after
# start-up, the storage layout after the mode button, then the close button,
# which must leave the camera released and no temporary folder behind.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

start_x
start_camera
start_program
wait_log "REQ_SET_MODE mode 0x101" 20
sleep 1.5  # the deferred preview start
shot window-camera-layout

click 340 490   # to storage mode (control 1045)
wait_log "REQ_CHANGE_DIR \"QXMOV\"" 15
sleep 1
shot window-storage-layout
[ -d "$ORIN_TEMP_DIR" ] || fail "no temporary folder while running"

click 715 37    # close (control 1001)
wait_program_end 15
[ ! -e "$ORIN_TEMP_DIR" ] || fail "the temporary folder was left behind"
last=$(grep "session" "$E2E_WORK/camsim.log" | grep REQ_ | tail -1)
echo "$last" | grep -q "REQ_SET_MODE mode 0x00" || fail "the last request was not mode 0: $last"
grep -q "close: session" "$E2E_WORK/camsim.log" || fail "the camera was not closed"
echo "window e2e: 1 passed, 0 failed"
