#!/usr/bin/env bash
# The installed program under Xvfb against the installed simulator, started
# from a folder that has nothing to do with the installation: the help key
# opens the installed help document (a stand-in xdg-open writes down what it
# was asked to open; a stand-in xdg-mime says a PDF reader is there), a
# double-click on a camera picture starts the installed image viewer, and the
# PC pane began in the folder the program was started from.
#
#   run_installed.sh PREFIX ARTEFACTS
set -euo pipefail
PREFIX=$(cd "$1" && pwd) ARTEFACTS=$2
BIN=$PREFIX/bin
source "$(dirname "$0")/../e2e/lib.sh"

DESKTOP="$E2E_WORK/desktop"
mkdir -p "$DESKTOP"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s/opened"\n' "$E2E_WORK" >"$DESKTOP/xdg-open"
printf '#!/bin/sh\necho orin-test-reader.desktop\n' >"$DESKTOP/xdg-mime"
chmod +x "$DESKTOP/xdg-open" "$DESKTOP/xdg-mime"
export PATH="$DESKTOP:$PATH"
unset LD_LIBRARY_PATH

# Waits until the file $1 exists (at most $2 seconds).
wait_file() {
  for _ in $(seq $(( ${2:-10} * 10 ))); do [ -s "$1" ] && return 0; sleep 0.1; done
  fail "no $1"
}
viewer_windows() { xdotool search --name '^Orin Image Viewer$' 2>/dev/null | wc -l; }
double_click() { xdotool mousemove --window "$WINDOW" "$1" "$2" click --repeat 2 --delay 60 1; }

start_x
start_camera
start_program            # from $E2E_WORK/program, far from $PREFIX
wait_log "REQ_STREAM_START" 20
import -window "$WINDOW" "$ARTEFACTS/installed-window.png" || fail "screenshot"

# F1: the help document of the installed program folder.
xdotool mousemove --window "$WINDOW" 365 30
xdotool key F1
wait_file "$E2E_WORK/opened" 10
want="$PREFIX/lib/orinmedia/Orin Media 5_1.pdf"
[ "$(head -1 "$E2E_WORK/opened")" = "$want" ] || fail "F1 opened $(head -1 "$E2E_WORK/opened"), not $want"

# A picture of the camera, double-clicked: the installed image viewer shows it.
click 340 490   # to storage mode
wait_log 'REQ_CHANGE_DIR "QXMOV"' 15
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\\]' 10
double_click 66 387   # DCIM
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\DCIM\]' 10
double_click 66 405   # 100QXCAM
wait_log 'REQ_LIST_DIR -> status 0x01 \[\\DCIM\\100QXCAM\]' 10
double_click 66 405   # DCAM0001.JPG
for _ in $(seq 100); do [ "$(viewer_windows)" -ge 1 ] && break; sleep 0.1; done
[ "$(viewer_windows)" -ge 1 ] || fail "the image viewer did not open the picture"

click 715 37    # close
wait_program_end 15
settings="$XDG_CONFIG_HOME/Tesk51UISetting/OrinMedia51.conf"
[ -f "$settings" ] || fail "no settings written"
grep -qx "CurrentPath=$E2E_WORK/program" "$settings" ||
  fail "the PC pane did not begin in the folder the program was started from: $(grep CurrentPath "$settings")"
[ ! -e "$ORIN_TEMP_DIR" ] || fail "the temporary folder was left behind"
echo "installed program: found its help document and image viewer from $E2E_WORK/program"
