#!/usr/bin/env bash
# The real orinmedia under Xvfb against orin-camsim: Image Capture in camera
# mode gives Temp0000.JPG (judged by djpeg) and the image viewer's window on
# it; then in storage mode the camera movie QXMOV/100QXMSC/MOV_0001.ASF is
# chosen and played: its pictures in the video frame, the play clock beside
# Play, and at its end the Play button back and the frame empty again.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }
# The area W x H at X Y ($1..$4, window coordinates) as a picture in file $5.
crop() {
  local origin x y
  origin=$(xdotool getwindowgeometry --shell "$WINDOW")
  x=$(sed -n 's/^X=//p' <<<"$origin")
  y=$(sed -n 's/^Y=//p' <<<"$origin")
  import -window root -crop "$1x$2+$((x + $3))+$((y + $4))" +repage "$5" 2>/dev/null
}
# The area shows what file $5 shows, pixel for pixel.
shows_as() {
  crop "$1" "$2" "$3" "$4" "$E2E_WORK/now.png" &&
    [ "$(compare -metric AE "$5" "$E2E_WORK/now.png" null: 2>&1)" = "0" ]
}
# The image viewer's window; prints its id.
viewer_window() { xdotool search --onlyvisible --name '^Orin Image Viewer$' 2>/dev/null | head -1 | grep .; }

start_x
start_camera
start_program
wait_log "REQ_STREAM_START"
wait_until 60 "no live picture in the video frame" shows_more_than 280 200 330 150 50

# --- Image Capture (control 1020) ---
click 545 397
wait_log "REQ_STILL_POLL"
STILL="$ORIN_TEMP_DIR/Temp0000.JPG"
wait_until 60 "no Temp0000.JPG" test -s "$STILL"
djpeg -pnm -outfile "$E2E_WORK/still.ppm" "$STILL" || fail "djpeg cannot read the still"
[ "$(convert "$E2E_WORK/still.ppm" -format '%w x %h' info:)" = "640 x 480" ] || fail "the still is not 640 x 480"
[ "$(convert "$E2E_WORK/still.ppm" -format %k info:)" -gt 50 ] || fail "the still is blank"
viewer=""
wait_until 60 "no image viewer window" eval 'viewer=$(viewer_window)'
viewer_pid=$(xdotool getwindowpid "$viewer")
E2E_PIDS+=("$viewer_pid")
tr '\0' '\n' <"/proc/$viewer_pid/cmdline" | grep -qx "$STILL"0 || fail "the viewer was not given $STILL"
# The live picture goes on after the capture.
wait_until 60 "no live picture after the capture" shows_more_than 280 200 330 150 50
shot capture-viewer
kill "$viewer_pid"   # the viewer's window would cover the main window's middle
wait_until 60 "the image viewer stayed" eval '! viewer_window >/dev/null'

# --- the player, in storage mode ---
click 340 490   # to storage mode (control 1045)
wait_log 'REQ_CHANGE_DIR "QXMOV"'
wait_until 60 "the video frame kept its picture in storage mode" shows_exactly 280 200 330 150 1
double_click 66 405   # the QXMOV row, below the root row and DCIM
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\QXMOV\]'
double_click 66 405   # the 100QXMSC row, below the root row and ".."
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\QXMOV\\100QXMSC\]'
click 66 405          # MOV_0001.ASF: the Play button's movie
PLAY_AREA=(32 32 324 382)   # Play and Stop (controls 1021 and 1026) in one place
wait_until 60 "no Play button for the movie" shows_more_than "${PLAY_AREA[@]}" 1
crop "${PLAY_AREA[@]}" "$E2E_WORK/play.png"
CLOCK_AREA=(92 18 376 390)  # the time label (control 1096), empty before the movie
crop "${CLOCK_AREA[@]}" "$E2E_WORK/clock.png"
click 340 398         # Play
wait_log 'REQ_READ_FILE "MOV_0001.ASF"'
wait_until 60 "no movie pictures in the video frame" shows_more_than 280 200 330 150 50
wait_until 60 "the play clock shows nothing" eval '! shows_as "${CLOCK_AREA[@]}" "$E2E_WORK/clock.png"'
wait_until 60 "Play stayed in Stop's place" eval '! shows_as "${PLAY_AREA[@]}" "$E2E_WORK/play.png"'
shot player-playing
# At the movie's end: Play again, the clock and the frame empty.
wait_until 60 "Play did not come back at the movie's end" shows_as "${PLAY_AREA[@]}" "$E2E_WORK/play.png"
wait_until 60 "the video frame kept the movie" shows_exactly 280 200 330 150 1
wait_until 60 "the play clock stayed" shows_as "${CLOCK_AREA[@]}" "$E2E_WORK/clock.png"
shot player-ended

click 715 37    # close (control 1001)
wait_program_end
[ ! -e "$ORIN_TEMP_DIR" ] || fail "the temporary folder was left behind"
echo "capture and play e2e: 1 passed, 0 failed"
