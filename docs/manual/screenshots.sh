#!/usr/bin/env bash
# Takes the help document's screenshots again, from the real program: orinmedia
# under Xvfb against orin-camsim with its sample Memory Stick, started as the
# end-to-end tests start them (tests/e2e/lib.sh). The pictures are written
# beside this script; rebuild afterwards and the help document takes them up.
#
#   docs/manual/screenshots.sh [BUILD_BIN_FOLDER]     (default: build/bin)
#
# This is a tool, not a test: where nothing on the screen can be waited for
# (the picture has been decoded and drawn, a menu has opened), it gives the
# window a moment before the shot.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
BIN=${1:-$HERE/../../build/bin}
ARTEFACTS=$(mktemp -d /tmp/orin-shots-XXXXXX)
source "$HERE/../../tests/e2e/lib.sh"
trap 'e2e_cleanup; rm -rf "$ARTEFACTS"' EXIT

# The window's area of the screen, with any dialog or menu over it.
window_shot() {
  eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$HERE/$1.png" || fail "screenshot $1"
  echo "wrote $HERE/$1.png" >&2
}
double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }
settle() { sleep "${1:-1}"; }

# A PC folder with a little in it, shown first through the stored setting.
PICTURES="$E2E_WORK/home/Pictures"
mkdir -p "$PICTURES/Holiday 2004" "$XDG_CONFIG_HOME/Tesk51UISetting"
printf '[OrinDataHeader]\nCurrentPath=%s\n' "$PICTURES" >"$XDG_CONFIG_HOME/Tesk51UISetting/OrinMedia51.conf"

start_x
start_camera
cp "$E2E_WORK/stick/DCIM/101QXCAM/DCAM0005.JPG" "$PICTURES/dcam0007.jpg"
cp "$E2E_WORK/stick/DCIM/101QXCAM/DCAM0006.JPG" "$PICTURES/Harbour.jpg"
printf 'Shopping list\n' >"$PICTURES/notes.txt"
# A big first picture, so that its copy keeps the progress dialog up for a while.
head -c $((3 * 1024 * 1024)) /dev/urandom >>"$E2E_WORK/stick/DCIM/100QXCAM/DCAM0004.JPG"
start_program
wait_log "REQ_STREAM_START" 20
settle 2
window_shot window-camera-layout

click 545 397         # Image Capture: the still opens in the image viewer
viewer=""
wait_until 30 "no image viewer" eval 'viewer=$(xdotool search --onlyvisible --name "^Orin Image Viewer$" | head -1 | grep .)'
# The window to the screen's corner, the viewer over its tools column only.
xdotool windowmove "$WINDOW" 0 0
xdotool windowsize "$viewer" 400 300
xdotool windowmove "$viewer" 600 330
settle
import -window root -crop 1000x630+0+0 +repage "$HERE/still-viewer.png"
echo "wrote $HERE/still-viewer.png" >&2
viewer_pid=$(xdotool getwindowpid "$viewer")
E2E_PIDS+=("$viewer_pid")
kill "$viewer_pid"
settle 0.5

click 340 490   # to storage mode
wait_log 'REQ_CHANGE_DIR "QXMOV"' 15
settle
window_shot window-storage-layout

double_click 66 387   # DCIM
wait_log 'REQ_CHANGE_DIR "DCIM" -> status 0x00 \[\\DCIM\]' 10
settle 0.5
click 62 537          # Add Folder under the camera pane
settle
window_shot dialog-add-folder
xdotool key Escape
settle 0.5
double_click 66 405   # 100QXCAM
wait_log 'REQ_CHANGE_DIR "100QXCAM"' 10
settle 0.5
click 66 405          # DCAM0001.JPG: the still preview
wait_log 'REQ_READ_FILE' 10
settle
window_shot window-camera-pane-100QXCAM
xdotool mousemove --window "$WINDOW" 66 423 click 3   # the pane's menu on DCAM0002.JPG
settle
window_shot window-camera-pane-menu
xdotool key Escape
settle 0.5

click 66 459          # DCAM0004.JPG, the big one: its preview fetches it once
wait_log 'REQ_READ_FILE "DCAM0004.JPG"' 10
settle 0.5
"$BIN/orin-camsim-ctl" --socket "$SOCKET" speed full >/dev/null
click 172 537         # Copy file: to the PC folder, at about 1 MB/s
for _ in $(seq 100); do
  [ "$(grep -c 'REQ_READ_FILE "DCAM0004.JPG"' "$E2E_WORK/camsim.log")" -ge 2 ] && break
  sleep 0.1
done
settle 1
window_shot copy-progress
for _ in $(seq 300); do [ -f "$PICTURES/DCAM0004.JPG" ] && [ "$(stat -c %s "$PICTURES/DCAM0004.JPG")" -ge $((3 * 1024 * 1024)) ] && break; sleep 0.1; done

double_click 66 369   # the Memory Stick's top
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\\]'
double_click 66 405   # QXMOV
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\QXMOV\]'
double_click 66 405   # 100QXMSC
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\QXMOV\\100QXMSC\]'
settle 0.5
click 66 405          # MOV_0001.ASF
settle 0.5
click 340 398         # Play
wait_log 'REQ_READ_FILE "MOV_0001.ASF"'
settle 2.5
window_shot player-playing

click 715 37
wait_program_end 15
