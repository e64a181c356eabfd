#!/usr/bin/env bash
# The real orinmedia under Xvfb against orin-camsim: in storage mode a picture
# is dragged with the mouse from the camera pane (DCIM/100QXCAM) onto the PC
# pane. The camera is slowed to about 1 MB/s so that the progress dialog shows
# while the 4 MB file travels; the copy must arrive whole in the PC pane's
# folder with the camera's time, and the window must be usable again.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

# The PC pane starts in the scratch PC folder.
mkdir -p "$XDG_CONFIG_HOME/Tesk51UISetting"
printf '[OrinDataHeader]\nCurrentPath=%s\n' "$E2E_WORK/pc" >"$XDG_CONFIG_HOME/Tesk51UISetting/OrinMedia51.conf"

start_x
start_camera
# A big first picture, so that the copy takes a few seconds at full speed.
picture="$E2E_WORK/stick/DCIM/100QXCAM/DCAM0001.JPG"
head -c $((4 * 1024 * 1024)) /dev/urandom >"$picture"
"$BIN/orin-camsim-ctl" --socket "$SOCKET" speed full >/dev/null || fail "speed full refused"
start_program
wait_log "REQ_STREAM_START" 20

click 340 490   # to storage mode (control 1045)
wait_log "REQ_CHANGE_DIR \"QXMOV\"" 15
sleep 1
double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }
double_click 66 387   # the DCIM row
wait_log 'REQ_CHANGE_DIR "DCIM" -> status 0x00 \[\\DCIM\]' 10
sleep 0.5
double_click 66 405   # the 100QXCAM row, below the root row and ".."
wait_log 'REQ_CHANGE_DIR "100QXCAM"' 10
sleep 1

# Press on DCAM0001.JPG (below the root row and ".."), move in steps over to
# the PC pane, release there.
xdotool mousemove --window "$WINDOW" 66 406 mousedown 1
for step in "74 400" "90 390" "100 360" "110 310" "120 260" "130 220" "139 208"; do
  sleep 0.1
  xdotool mousemove --window "$WINDOW" $step
done
sleep 0.3
shot drag-over-pc-pane
xdotool mouseup 1
sleep 1.5
shot drag-progress-dialog
wait_log "REQ_READ_FILE" 5

copy="$E2E_WORK/pc/DCAM0001.JPG"
for _ in $(seq 300); do [ -f "$copy" ] && break; sleep 0.1; done
[ -f "$copy" ] || fail "the dragged picture never arrived in the PC folder"
cmp -s "$picture" "$copy" || fail "the copy differs from the camera's file"
# The copy has the camera's time: the picture's time to the minute, seconds 0.
camera_time=$(stat -c %Y "$picture")
[ "$(stat -c %Y "$copy")" -eq $(( camera_time - camera_time % 60 )) ] || fail "the copy does not have the camera's time"
sleep 1.5
shot drag-after-copy

# The window is usable again: the close button ends it.
click 715 37
wait_program_end 15
echo "drag e2e: 1 passed, 0 failed"
