#!/bin/bash
# orin-cam's camera-mode commands, the real binary against a real orin-camsim
# daemon streaming in real time, judged by outside tools: a recording by
# ffprobe and ffmpeg, one stopped by a signal too, a still by ImageMagick.
# Usage: orin_cam_record_still_against_daemon.sh BIN_DIR ARTEFACTS
set -u
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/../e2e/lib.sh"
bin=$BIN work=$E2E_WORK
cam() { "$bin/orin-cam" "$@" >"$work/out" 2>"$work/err"; }
ctl() { "$bin/orin-camsim-ctl" --socket "$SOCKET" "$@" >/dev/null 2>&1 || fail "ctl $*"; }
scratch_folders() { find "$XDG_CACHE_HOME/OrinMedia51" -maxdepth 1 -name 'orin-cam-*' 2>/dev/null; }
# More than the camera's header (671 bytes) in the recording: a data packet.
recording_has_begun() { [ -n "$(find "$XDG_CACHE_HOME/OrinMedia51" -path '*/orin-cam-*/Temp.ASF' -size +1k 2>/dev/null)" ]; }

# A recording as an outside player sees it: a video and an audio stream,
# about MIN to MAX seconds, decoded without a complaint.
judge_recording() {  # FILE MIN MAX
  local streams duration
  streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$1" | sort | tr '\n' ' ')
  [ "$streams" = "audio video " ] || fail "$1: streams \"$streams\""
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
  awk -v d="$duration" -v lo="$2" -v hi="$3" 'BEGIN { exit !(d >= lo && d <= hi) }' || fail "$1: $duration s, not $2..$3"
  [ -z "$(ffmpeg -v error -i "$1" -f null - 2>&1)" ] || fail "$1: ffmpeg: $(ffmpeg -v error -i "$1" -f null - 2>&1 | head -3)"
}

start_camera

cam record --seconds 2 --to "$work/two.asf" || fail "record: $(cat "$work/err")"
judge_recording "$work/two.asf" 1.8 2.4
grep -q "^record: 2\.[0-9] s, [0-9]* frames, [0-9]* bytes saved to $work/two.asf\$" "$work/err" || fail "record: $(cat "$work/err")"
[ -z "$(scratch_folders)" ] || fail "the recording's temporary folder stayed: $(scratch_folders)"
cp "$work/two.asf" "$ARTEFACTS/orin-cam-record.asf"

# A signal stops the recording cleanly and what was recorded is saved.
for sig in INT TERM; do
  env --default-signal=INT "$bin/orin-cam" record --seconds 600 --to "$work/$sig.asf" >/dev/null 2>"$work/$sig.err" &
  recorder=$!
  wait_until 30 "the recording never began (SIG$sig)" recording_has_begun
  kill -$sig $recorder
  { wait $recorder; rc=$?; } 2>/dev/null
  [ $rc -eq 0 ] || fail "record stopped by SIG$sig: exit $rc, $(cat "$work/$sig.err")"
  grep -qx "orin-cam: stopped by SIG$sig: saving what was recorded" "$work/$sig.err" || fail "SIG$sig: $(cat "$work/$sig.err")"
  judge_recording "$work/$sig.asf" 0.1 60
  [ -z "$(scratch_folders)" ] || fail "SIG$sig left the temporary folder"
done

cam still --to "$work/still.jpg" || fail "still: $(cat "$work/err")"
read -r width height colours < <(identify -format '%w %h %k\n' "$work/still.jpg")
[ "$width $height" = "640 480" ] || fail "still: $width x $height"
[ "$colours" -gt 1000 ] || fail "still: only $colours colours: blank"
djpeg "$work/still.jpg" >/dev/null || fail "still: djpeg refused it"
cp "$work/still.jpg" "$ARTEFACTS/orin-cam-still.jpg"

# A still the converter cannot take: the program's message, nothing saved.
ctl next-still undecodable
cam still --to "$work/none.jpg"
[ $? -eq 1 ] || fail "an undecodable still succeeded"
grep -qx 'Failed to capture Image.' "$work/err" && grep -qx 'orin-cam: the converter could not convert the still' "$work/err" ||
  fail "undecodable still: $(cat "$work/err")"
[ -e "$work/none.jpg" ] && fail "an undecodable still left a file"

# The camera gone at the first block after its header: a file of the header
# alone would hold no picture and no sound, so none is made.
ctl unplug-at-bulk 2
cam record --seconds 1 --to "$work/header.asf"
[ $? -eq 3 ] && grep -qx 'Device is not found.' "$work/err" && grep -qx 'orin-cam: nothing was recorded' "$work/err" ||
  fail "record cut after the header: $(cat "$work/err")"
[ -e "$work/header.asf" ] && fail "a recording of the header alone was saved"
ctl plug

# The camera gone: exit 3 and nothing saved; the folder of the target must exist first.
ctl unplug
cam record --seconds 1 --to "$work/gone.asf"
[ $? -eq 3 ] && grep -qx 'Device is not found.' "$work/err" || fail "record without a camera: $(cat "$work/err")"
cam still --to "$work/gone.jpg"
[ $? -eq 3 ] || fail "still without a camera"
cam record --seconds 1 --to "$work/nowhere/x.asf"
[ $? -eq 1 ] && grep -qx "$work/nowhere: No such file or directory" "$work/err" || fail "record to a missing folder: $(cat "$work/err")"
[ -e "$work/gone.asf" ] || [ -e "$work/gone.jpg" ] && fail "a file without a camera"
[ -z "$(scratch_folders)" ] || fail "temporary folders stayed: $(scratch_folders)"
echo PASS
