#!/usr/bin/env bash
# Recording in the real orinmedia under Xvfb against orin-camsim: Record in
# the default Timed mode, the time label ticking and "Temp.ASF" growing, Stop
# and Yes to "Stop Recording?", a path typed into the save dialog, and the
# saved movie judged by ffprobe: an ASF with its video and audio and a length
# of its own.
set -euo pipefail
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/lib.sh"

# A visible window titled $1 other than the main window; prints its id.
dialog_titled() {
  local w
  for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    [ "$w" != "$WINDOW" ] || continue
    echo "$w"
    return 0
  done
  return 1
}
# Gives the window $1 the keyboard (there is no window manager to do it).
focus() { xdotool windowfocus --sync "$1" 2>/dev/null || true; }
temp_asf_size() { stat -c %s "$ORIN_TEMP_DIR/Temp.ASF" 2>/dev/null || echo 0; }
grown_past() { [ "$(temp_asf_size)" -gt "$1" ]; }

start_x
start_camera
start_program
wait_log "REQ_STREAM_START"
wait_until 60 "no live picture in the video frame" shows_more_than 280 200 330 150 50

# The time label (control 1096, 188,195 46x9 in dialog units) is hidden until
# the first tick: one row of its dark field across the digits is plain.
label() { shows_more_than 70 1 384 399 1; }   # one row across the digits
label && fail "the time label shows before a recording"
# The recording-time dialog (button 1025) opens over the window; Escape leaves the time as it was.
click 501 471
wait_until 60 "no Recording Time Setting dialog" dialog_titled '^Recording Time Setting$' >/dev/null
shot record-time-dialog
focus "$(dialog_titled '^Recording Time Setting$')"
xdotool key Escape
wait_until 60 "the recording-time dialog stayed open" eval '! dialog_titled "^Recording Time Setting\$" >/dev/null'

click 501 397   # Record (control 1019)
wait_until 60 "the time label never showed" label
# A few seconds of the camera's stream (about 72 kB a second) reach the file.
wait_until 60 "the recording did not grow" grown_past 200000
shot record-running

click 501 397   # Stop (control 1027) in Record's place
wait_until 60 "no Stop Recording? question" dialog_titled '^Orin Media 5\.1$' >/dev/null
question=$(dialog_titled '^Orin Media 5\.1$')
shot record-stop-question
focus "$question"
xdotool key Return   # Yes, the default button
wait_until 60 "no save dialog" dialog_titled '^Save File$' >/dev/null
save=$(dialog_titled '^Save File$')
shot record-save-dialog
focus "$save"
# The name field has the focus; the suffix .asf comes by itself.
xdotool type --delay 20 "$E2E_WORK/pc/my recording"
xdotool key Return
saved="$E2E_WORK/pc/my recording.asf"
wait_until 60 "the save dialog stayed open" eval '! dialog_titled "^Save File\$" >/dev/null'
wait_until 60 "nothing saved at $saved" test -s "$saved"
wait_until 60 "the time label stayed after the save" eval '! label'
shot record-saved

cmp -s "$saved" "$ORIN_TEMP_DIR/Temp.ASF" || fail "the saved movie differs from Temp.ASF"
probe=$(ffprobe -v error -show_entries format=format_name,duration:stream=codec_type -of default=nw=1 "$saved") ||
  fail "ffprobe refused the saved movie"
echo "$probe"
grep -q '^format_name=asf$' <<<"$probe" || fail "not an ASF: $probe"
grep -q '^codec_type=video$' <<<"$probe" || fail "no video stream: $probe"
grep -q '^codec_type=audio$' <<<"$probe" || fail "no audio stream: $probe"
duration=$(sed -n 's/^duration=//p' <<<"$probe")
awk -v d="$duration" 'BEGIN { exit !(d + 0 >= 1) }' || fail "a movie of $duration s"
# Every frame decodes.
ffmpeg -v error -xerror -i "$saved" -f null - || fail "ffmpeg could not decode the saved movie"
[ "$(ls -A "$E2E_WORK/pc")" = "my recording.asf" ] || fail "more than the movie beside it: $(ls -A "$E2E_WORK/pc")"

click 715 37    # close: the recording was saved, nothing is asked
wait_program_end
[ ! -e "$ORIN_TEMP_DIR" ] || fail "the temporary folder was left behind"
echo "record e2e: 1 passed, 0 failed"
