#!/usr/bin/env bash
# A second start ends at once without a window; SIGTERM ends the program the
# way its close button does: camera released with mode 0, temporary folder gone.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

start_x
start_camera
start_program
wait_log "REQ_SET_MODE mode 0x101"

# The second instance: it must end by itself, leaving one window. The limit
# only catches one that stays; ending takes any machine far less.
(cd "$E2E_WORK/program" && timeout 60 "$BIN/orinmedia") || fail "the second start did not end by itself"
[ "$(xdotool search --name '^Orin Media 5\.1$' | wc -l)" -eq 1 ] || fail "a second window appeared"
[ -d "$ORIN_TEMP_DIR" ] || fail "the second start removed the first one's temporary folder"

kill -TERM "$PROGRAM_PID"
wait_program_end
[ ! -e "$ORIN_TEMP_DIR" ] || fail "SIGTERM left the temporary folder behind"
last=$(grep "session" "$E2E_WORK/camsim.log" | grep REQ_ | tail -1)
echo "$last" | grep -q "REQ_SET_MODE mode 0x00" || fail "the last request was not mode 0: $last"
echo "shutdown e2e: 1 passed, 0 failed"
