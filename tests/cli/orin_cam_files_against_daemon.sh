#!/bin/bash
# orin-cam's file commands against a real orin-camsim daemon over its socket.
# Usage: orin_cam_files_against_daemon.sh BIN_DIR ARTEFACTS
set -u
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/../e2e/lib.sh"
bin=$BIN work=$E2E_WORK
cam() { "$bin/orin-cam" "$@" >"$work/out" 2>"$work/err"; }
ctl() { "$bin/orin-camsim-ctl" --socket "$SOCKET" "$@" >/dev/null 2>&1 || fail "ctl $*"; }
# Polls until COMMAND... succeeds (at most 20 s): wait_for DESCRIPTION COMMAND...
wait_for() {
  for _ in $(seq 400); do "${@:2}" && return 0; sleep 0.05; done
  fail "never: $1"
}
has_partial() { [ -n "$(find "$1" -maxdepth 1 -name ".$2.part-??????")" ]; }  # FOLDER NAME
no_session() { "$bin/orin-camsim-ctl" --socket "$SOCKET" status 2>/dev/null | grep -q ' 0 open session(s)'; }

stick=$E2E_WORK/stick pc=$work/pc
mkdir -p "$stick/DCIM/100QXCAM" "$stick/QXMOV/100QXMSC" "$pc/out"
head -c 40000 /dev/urandom > "$stick/DCIM/100QXCAM/DCAM0001.JPG"
touch -d '2003-09-17 10:25' "$stick/DCIM/100QXCAM/DCAM0001.JPG"
head -c 32768 /dev/urandom > "$pc/dcam0005.jpg"

start_simulator --capacity-mb 62
ctl speed unlimited

cam get DCIM/100QXCAM/DCAM0001.JPG --to "$pc/out" || fail "get: $(cat "$work/err")"
cmp -s "$stick/DCIM/100QXCAM/DCAM0001.JPG" "$pc/out/DCAM0001.JPG" || fail "get: bytes differ"
[ "$(date -r "$pc/out/DCAM0001.JPG" '+%F %T')" = "2003-09-17 10:25:00" ] || fail "get: time"
# An existing file is only replaced when asked.
echo mine > "$pc/out/DCAM0001.JPG"
cam get DCIM/100QXCAM/DCAM0001.JPG --to "$pc/out" && fail "get over an existing file succeeded"
[ "$(cat "$pc/out/DCAM0001.JPG")" = mine ] || fail "existing file touched"
cam get DCIM/100QXCAM/DCAM0001.JPG --to "$pc/out" --skip || fail "get --skip"
cam get DCIM/100QXCAM/DCAM0001.JPG --to "$pc/out" --replace || fail "get --replace"
cmp -s "$stick/DCIM/100QXCAM/DCAM0001.JPG" "$pc/out/DCAM0001.JPG" || fail "replace: bytes differ"
cam get DCIM/100QXCAM/DCAM0099.JPG --to "$pc/out" && fail "get of a missing file succeeded"

# One camera, one program: a get while another holds the camera is told the
# camera is busy and changes nothing; the first get keeps its own bytes.
head -c 2000000 /dev/urandom > "$stick/DCIM/100QXCAM/DCAM0003.JPG"
mkdir -p "$pc/first" "$pc/second"
ctl speed full
"$bin/orin-cam" get DCIM/100QXCAM/DCAM0003.JPG --to "$pc/first" 2>"$work/first.err" &
first=$!
wait_for "the first get writes" has_partial "$pc/first" DCAM0003.JPG
kill -STOP $first  # it holds the camera, mid-file, while the second one runs
cam get DCIM/100QXCAM/DCAM0001.JPG --to "$pc/second"
rc=$?
kill -CONT $first
[ $rc -eq 3 ] || fail "the second get: exit $rc"
grep -qx 'orin-cam: the camera is busy: another program is using it' "$work/err" || fail "the second get: $(cat "$work/err")"
[ -z "$(ls -A "$pc/second")" ] || fail "the second get left files: $(ls -A "$pc/second")"
wait $first || fail "the first get: $(cat "$work/first.err")"
cmp -s "$stick/DCIM/100QXCAM/DCAM0003.JPG" "$pc/first/DCAM0003.JPG" || fail "the first get: bytes differ"

# A get ended by SIGINT, SIGTERM or SIGHUP takes its partial file along; the
# target stays as it was.
echo mine > "$pc/first/DCAM0003.JPG"
for sig in INT TERM HUP; do
  env --default-signal=INT "$bin/orin-cam" get DCIM/100QXCAM/DCAM0003.JPG --to "$pc/first" --replace 2>/dev/null &
  getter=$!
  wait_for "a partial file before SIG$sig" has_partial "$pc/first" DCAM0003.JPG
  kill -STOP $getter && kill -$sig $getter && kill -CONT $getter  # the signal comes mid-file
  { wait $getter; rc=$?; } 2>/dev/null
  [ $rc -eq $((128 + $(kill -l $sig))) ] || fail "SIG$sig: exit $rc"
  has_partial "$pc/first" DCAM0003.JPG && fail "SIG$sig left a partial file"
  [ "$(cat "$pc/first/DCAM0003.JPG")" = mine ] || fail "SIG$sig changed the target"
  wait_for "the session of the get ended by SIG$sig closes" no_session
done
# A crash leaves its partial file behind; the next download of that name removes it.
"$bin/orin-cam" get DCIM/100QXCAM/DCAM0003.JPG --to "$pc/first" --replace 2>/dev/null &
getter=$!
wait_for "a partial file before SIGKILL" has_partial "$pc/first" DCAM0003.JPG
{ kill -KILL $getter && wait $getter; } 2>/dev/null
has_partial "$pc/first" DCAM0003.JPG || fail "SIGKILL left no partial file"
touch "$pc/first/.DCAM0003.JPG.part-abc" "$pc/first/.DCAM0004.JPG.part-abcdef"
wait_for "the killed get's session closes" no_session
ctl speed unlimited
cam get DCIM/100QXCAM/DCAM0003.JPG --to "$pc/first" --replace || fail "get after a crash: $(cat "$work/err")"
has_partial "$pc/first" DCAM0003.JPG && fail "the stale partial file stayed"
cmp -s "$stick/DCIM/100QXCAM/DCAM0003.JPG" "$pc/first/DCAM0003.JPG" || fail "get after a crash: bytes differ"
[ -e "$pc/first/.DCAM0003.JPG.part-abc" ] && [ -e "$pc/first/.DCAM0004.JPG.part-abcdef" ] ||
  fail "files that are no partial file of DCAM0003.JPG were removed"

cam put "$pc/dcam0005.jpg" --to DCIM/100QXCAM || fail "put: $(cat "$work/err")"
cmp -s "$pc/dcam0005.jpg" "$stick/DCIM/100QXCAM/DCAM0005.JPG" || fail "put: bytes differ"
cam put "$pc/dcam0005.jpg" --to DCIM && fail "put into DCIM succeeded"
grep -qx 'Could not copy a file to this path.' "$work/err" || fail "put DCIM: $(cat "$work/err")"

cam rename DCIM/100QXCAM/DCAM0005.JPG 0007 || fail "rename: $(cat "$work/err")"
[ -f "$stick/DCIM/100QXCAM/DCAM0007.JPG" ] || fail "rename: no DCAM0007.JPG"
cam rename DCIM/100QXCAM/DCAM0007.JPG 0001 && fail "rename onto a taken number succeeded"
grep -qx 'A file with the name you specified already exists.' "$work/err" || fail "rename clash: $(cat "$work/err")"

cam mkdir DCIM/101QXCAM || fail "mkdir: $(cat "$work/err")"
[ -d "$stick/DCIM/101QXCAM" ] || fail "mkdir: no folder"
cam mkdir DCIM/099QXCAM && fail "mkdir 099 succeeded"
cam mkdir DCIM/100QXCAM/101QXCAM && fail "mkdir in a picture folder succeeded"

cam rm DCIM/100QXCAM/DCAM0007.JPG || fail "rm: $(cat "$work/err")"
[ -e "$stick/DCIM/100QXCAM/DCAM0007.JPG" ] && fail "rm: file still there"

ctl protect on
cam put "$pc/dcam0005.jpg" --to DCIM/100QXCAM && fail "put under write protection succeeded"
grep -qx 'Memory Stick is write protected.' "$work/err" || fail "protect: $(cat "$work/err")"
ctl protect off

cam format && fail "format without --yes succeeded"
[ -f "$stick/DCIM/100QXCAM/DCAM0001.JPG" ] || fail "format without --yes changed the stick"
cam format --yes || fail "format: $(cat "$work/err")"
grep -qx 'Format was successful.' "$work/err" || fail "format: $(cat "$work/err")"
[ -d "$stick/DCIM/100QXCAM" ] && [ -d "$stick/QXMOV/100QXMSC" ] || fail "format: default folders"
[ -e "$stick/DCIM/100QXCAM/DCAM0001.JPG" ] && fail "format: file survived"
echo PASS
