#!/bin/bash
# orin-cam as scripts use it, the real binary against a real orin-camsim
# daemon over its socket: import (and what the camera's own log shows of it),
# --json read by jq, the exit statuses and the messages a script acts on.
# Usage: orin_cam_scripts_against_daemon.sh BIN_DIR ARTEFACTS
set -u
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/../e2e/lib.sh"
bin=$BIN work=$E2E_WORK
cam() { "$bin/orin-cam" "$@" >"$work/out" 2>"$work/err"; }
ctl() { "$bin/orin-camsim-ctl" --socket "$SOCKET" "$@" >/dev/null 2>&1 || fail "ctl $*"; }
no_session() { "$bin/orin-camsim-ctl" --socket "$SOCKET" status 2>/dev/null | grep -q ' 0 open session(s)'; }
log_lines() { wc -l <"$E2E_WORK/camsim.log"; }
has_partial() { [ -n "$(find "$1" -name ".${2:-*}.part-??????")" ]; }  # FOLDER [NAME]

stick=$E2E_WORK/stick
declare -A from=([DCAM0001.JPG]=DCIM/100QXCAM [DCAM0002.JPG]=DCIM/100QXCAM [DCAM0003.JPG]=DCIM/101QXCAM
                 [MOV_0001.ASF]=QXMOV/100QXMSC)
mkdir -p "$stick/DCIM/100QXCAM" "$stick/DCIM/101QXCAM" "$stick/QXMOV/100QXMSC"
head -c 300000 /dev/urandom >"$stick/DCIM/100QXCAM/DCAM0001.JPG"
head -c 16384 /dev/urandom >"$stick/DCIM/100QXCAM/DCAM0002.JPG"
head -c 5000 /dev/urandom >"$stick/DCIM/101QXCAM/DCAM0003.JPG"
head -c 700000 /dev/urandom >"$stick/QXMOV/100QXMSC/MOV_0001.ASF"
touch -d '2003-09-17 10:25' "$stick/DCIM/100QXCAM/DCAM0001.JPG"
touch -d '2003-09-17 11:40' "$stick/DCIM/100QXCAM/DCAM0002.JPG"
touch -d '2004-02-29 08:00' "$stick/DCIM/101QXCAM/DCAM0003.JPG"
touch -d '2005-06-07 08:09' "$stick/QXMOV/100QXMSC/MOV_0001.ASF"
start_simulator --capacity-mb 62
ctl speed unlimited

# Every file in FOLDER is the camera's, byte for byte, with the camera's time.
same_as_camera() {  # FOLDER NAME...
  local folder=$1 name
  shift
  for name in "$@"; do
    cmp -s "$stick/${from[$name]}/$name" "$folder/$name" || fail "$folder/$name differs from the camera's"
    [ "$(date -r "$folder/$name" '+%F %T')" = "$(date -r "$stick/${from[$name]}/$name" '+%F %R'):00" ] ||
      fail "$folder/$name: time $(date -r "$folder/$name" '+%F %T')"
  done
}

# --- import: all, then nothing without reading a file, then after an unplug
pc=$work/pc
mkdir -p "$pc"
cam import "$pc" || fail "import: $(cat "$work/err")"
same_as_camera "$pc" DCAM0001.JPG DCAM0002.JPG DCAM0003.JPG MOV_0001.ASF
[ "$(wc -l <"$work/out")" -eq 4 ] || fail "import's stdout: $(cat "$work/out")"
grep -q '^import: 4 copied, 0 skipped, 0 failed; 1021384 bytes in ' "$work/err" || fail "import: $(cat "$work/err")"

wait_until 10 "the first import's session did not end" no_session
before=$(log_lines)
cam import "$pc" || fail "second import: $(cat "$work/err")"
wait_until 10 "the second import's session did not end" no_session
[ ! -s "$work/out" ] || fail "the second import wrote: $(cat "$work/out")"
grep -q '^import: 0 copied, 4 skipped, 0 failed; 0 bytes in .*(nothing new' "$work/err" ||
  fail "second import: $(cat "$work/err")"
tail -n +$((before + 1)) "$E2E_WORK/camsim.log" | grep -q REQ_READ_FILE && fail "the second import read a file from the camera"
tail -n +$((before + 1)) "$E2E_WORK/camsim.log" | grep -q REQ_LIST_DIR || fail "the second import never listed (log not read?)"

# Unplugged half-way through the movie: only whole files stay; a rerun completes.
rm -rf "$pc" && mkdir -p "$pc"
ctl speed full
"$bin/orin-cam" import "$pc" >/dev/null 2>"$work/broken.err" &
importer=$!
wait_until 20 "the import never wrote the movie" has_partial "$pc" MOV_0001.ASF
ctl unplug
{ wait $importer; rc=$?; } 2>/dev/null
[ $rc -eq 3 ] || fail "import with the camera unplugged: exit $rc, $(cat "$work/broken.err")"
grep -q '^Device is not found\.$' "$work/broken.err" || fail "unplugged: $(cat "$work/broken.err")"
has_partial "$pc" && fail "a partial file stayed"
same_as_camera "$pc" DCAM0001.JPG DCAM0002.JPG DCAM0003.JPG
[ -e "$pc/MOV_0001.ASF" ] && fail "the movie was complete before the unplug: nothing was broken off"
ctl plug
ctl speed unlimited
cam import "$pc" || fail "import after the plug: $(cat "$work/err")"
grep -q '^import: 1 copied, 3 skipped, 0 failed;' "$work/err" || fail "rerun: $(cat "$work/err")"
same_as_camera "$pc" DCAM0001.JPG DCAM0002.JPG DCAM0003.JPG MOV_0001.ASF

# --by-date: one folder per camera day.
cam import "$work/days" --by-date && fail "import into a missing folder succeeded"
grep -qx "$work/days: No such file or directory" "$work/err" || fail "missing PC folder: $(cat "$work/err")"
mkdir -p "$work/days"
cam import "$work/days" --by-date --quiet || fail "import --by-date: $(cat "$work/err")"
[ ! -s "$work/err" ] || fail "--quiet said: $(cat "$work/err")"
same_as_camera "$work/days/2003-09-17" DCAM0001.JPG DCAM0002.JPG
same_as_camera "$work/days/2004-02-29" DCAM0003.JPG
same_as_camera "$work/days/2005-06-07" MOV_0001.ASF

# A disk that takes no more: the path and the system's words, whole files only.
mkdir -p "$work/full"
(trap '' XFSZ; ulimit -f 100; exec "$bin/orin-cam" import "$work/full") >/dev/null 2>"$work/err"
rc=$?
[ $rc -eq 1 ] || fail "import onto a full disk: exit $rc"
grep -qx "$work/full/DCAM0001.JPG: File too large" "$work/err" || fail "full disk: $(cat "$work/err")"
has_partial "$work/full" && fail "the full disk kept a partial file"

# --- --json for scripts, read by jq
cam ls DCIM/100QXCAM --json || fail "ls --json: $(cat "$work/err")"
jq -e '.folder == "DCIM/100QXCAM" and (.entries | length) == 2 and .entries[0] == {"name": "DCAM0001.JPG",
       "type": "file", "size": 300000, "date": "2003-09-17T10:25"} and .stick.total == 65011712
       and (.stick.free | type) == "number"' "$work/out" >/dev/null || fail "ls --json: $(cat "$work/out")"
cam ls --json || fail "ls --json of the root"
jq -e '[.entries[] | .name + ":" + .type] == ["DCIM:folder", "QXMOV:folder"]' "$work/out" >/dev/null ||
  fail "ls --json of the root: $(cat "$work/out")"
cam info --json || fail "info --json: $(cat "$work/err")"
jq -e '.media == "ready" and .write_protected == false and .total == 65011712 and (.capacity | test(" MB / 64 MB$"))' \
  "$work/out" >/dev/null || fail "info --json: $(cat "$work/out")"
ctl eject
cam info --json && fail "info --json without a stick succeeded"
jq -e '.media == "none" and .free == null and .write_protected == null' "$work/out" >/dev/null ||
  fail "info --json without a stick: $(cat "$work/out")"
ctl insert

# --- exit statuses and the messages a script acts on
cam get DCIM/100QXCAM/DCAM0001.JPG --to "$pc" --replace --skip
[ $? -eq 2 ] && grep -qx 'orin-cam: --replace and --skip exclude each other' "$work/err" || fail "--replace --skip: $(cat "$work/err")"
cam --version && grep -q '^orin-cam (Orin Media 5.1) ' "$work/out" || fail "--version: $(cat "$work/out")"
ORIN_CAMERA=sim:$work/none "$bin/orin-cam" ls >/dev/null 2>"$work/err"
[ $? -eq 3 ] || fail "no camera: not exit 3"
ctl examine 1000000
cam --timeout 1 ls
[ $? -eq 3 ] && grep -qx 'orin-cam: the camera is still examining its Memory Stick after 1 s: given up (--timeout)' "$work/err" ||
  fail "--timeout: $(cat "$work/err")"
ctl examine 0
ctl status 0x24 REQ_DELETE
cam rm DCIM/100QXCAM/DCAM0002.JPG
[ $? -eq 1 ] && grep -qx 'orin-cam: the camera refused REQ_DELETE with status 0x24' "$work/err" || fail "status 0x24: $(cat "$work/err")"
[ -e "$stick/DCIM/100QXCAM/DCAM0002.JPG" ] || fail "the refused delete deleted"
ctl short-bulk
cam ls DCIM/100QXCAM
[ $? -eq 1 ] && grep -qx 'Error in reading Memory Stick.' "$work/err" || fail "a listing cut short: $(cat "$work/err")"
cam put "$work/nothing.jpg" --to DCIM/100QXCAM
[ $? -eq 1 ] && grep -qx "$work/nothing.jpg: No such file or directory" "$work/err" || fail "put of a missing file: $(cat "$work/err")"
cam rename DCIM/100QXCAM/DCAM0077.JPG 0078
[ $? -eq 1 ] && grep -qx 'orin-cam: no file "DCAM0077.JPG" in DCIM/100QXCAM' "$work/err" || fail "rename of a missing file: $(cat "$work/err")"
cam mkdir QXMOV/101QXCAM
[ $? -eq 1 ] && grep -q "File(Folder) name doesn't met the format." "$work/err" || fail "mkdir QXMOV/101QXCAM: $(cat "$work/err")"
echo PASS
