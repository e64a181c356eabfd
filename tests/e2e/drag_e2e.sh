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
wait_log "REQ_STREAM_START"

# The program talks to the camera on its window's thread, so a click sent
# once the camera has answered a step's last request is handled after it.
click 340 490   # to storage mode (control 1045)
wait_log "REQ_CHANGE_DIR \"QXMOV\""
double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }
double_click 66 387   # the DCIM row
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\DCIM\]'
double_click 66 405   # the 100QXCAM row, below the root row and ".."
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\DCIM\\100QXCAM\]'

# Press on DCAM0001.JPG (below the root row and ".."), move in steps over to
# the PC pane, release there once the dragged row's picture shows there:
# the move has reached the pane.
xdotool mousemove --window "$WINDOW" 66 406 mousedown 1
for step in "74 400" "90 390" "100 360" "110 310" "120 260" "130 220" "139 208"; do
  xdotool mousemove --window "$WINDOW" $step
done
wait_until 60 "the dragged row never showed over the PC pane" shows_more_than 60 6 150 205 1
shot drag-over-pc-pane
xdotool mouseup 1
wait_until 60 "no progress dialog" other_window 60 >/dev/null
shot drag-progress-dialog
wait_log "REQ_READ_FILE"

# The copy has the camera's time: the picture's time to the minute, seconds 0.
# It is set once the finished file has its name, so both are waited for.
copy="$E2E_WORK/pc/DCAM0001.JPG"
camera_time=$(stat -c %Y "$picture")
copied() { [ -f "$copy" ] && [ "$(stat -c %Y "$copy")" -eq $((camera_time - camera_time % 60)) ]; }
wait_until 120 "the dragged picture never arrived in the PC folder with the camera's time" copied
cmp -s "$picture" "$copy" || fail "the copy differs from the camera's file"
wait_until 60 "the progress dialog stayed" no_other_window
shot drag-after-copy

# The window is usable again: the close button ends it.
click 715 37
wait_program_end
echo "drag e2e: 1 passed, 0 failed"
