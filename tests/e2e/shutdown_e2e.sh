#!/usr/bin/env bash
# A second start ends at once without a window, orin-cam is told the camera
# is busy, and the window's next operation works; SIGTERM ends the program the
# way its close button does: camera released with mode 0, temporary folder gone.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

start_x
start_camera
start_program
wait_log "REQ_SET_MODE mode 0x101"

# The second instance: it must end by itself, silently (nothing written, no
# window, no message), leaving one window, and never ask for the camera. The
# limit only catches one that stays; ending takes any machine far less.
second_out="$E2E_WORK/second.out"
(cd "$E2E_WORK/program" && timeout 60 "$BIN/orinmedia") >"$second_out" 2>&1 || fail "the second start did not end by itself with status 0"
[ ! -s "$second_out" ] || fail "the second start was not silent: $(cat "$second_out")"
[ "$(xdotool search --name '^Orin Media 5\.1$' | wc -l)" -eq 1 ] || fail "a second window appeared"
[ -d "$ORIN_TEMP_DIR" ] || fail "the second start removed the first one's temporary folder"
grep -q "open: refused" "$E2E_WORK/camsim.log" && fail "the second start asked for the camera"

# orin-cam while the window holds the camera: told the camera is busy, exit
# status 3, nothing on stdout; the window keeps its session.
rc=0
"$BIN/orin-cam" ls DCIM >"$E2E_WORK/cam.out" 2>"$E2E_WORK/cam.err" || rc=$?
[ "$rc" -eq 3 ] || fail "orin-cam beside the window: exit $rc ($(cat "$E2E_WORK/cam.err"))"
grep -qx 'orin-cam: the camera is busy: another program is using it' "$E2E_WORK/cam.err" ||
  fail "orin-cam beside the window said: $(cat "$E2E_WORK/cam.err")"
[ ! -s "$E2E_WORK/cam.out" ] || fail "orin-cam beside the window printed: $(cat "$E2E_WORK/cam.out")"
grep -q "open: refused, session 1 holds the camera" "$E2E_WORK/camsim.log" || fail "orin-cam never asked for the camera"

# Neither disturbed the window: its next operation, the switch to storage
# mode, is done on its own session.
click 340 490   # to storage mode (control 1045)
wait_log "session 1 .*REQ_CHANGE_DIR \"QXMOV\""
[ "$(grep -c "open: session" "$E2E_WORK/camsim.log")" -eq 1 ] || fail "the camera was opened again"

kill -TERM "$PROGRAM_PID"
wait_program_end
[ ! -e "$ORIN_TEMP_DIR" ] || fail "SIGTERM left the temporary folder behind"
last=$(grep "session" "$E2E_WORK/camsim.log" | grep REQ_ | tail -1)
echo "$last" | grep -q "REQ_SET_MODE mode 0x00" || fail "the last request was not mode 0: $last"
echo "shutdown e2e: 1 passed, 0 failed"
