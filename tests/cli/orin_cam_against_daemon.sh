#!/bin/bash
# orin-cam over libTeskDll.so's sim backend against a real orin-camsim daemon.
# Usage: orin_cam_against_daemon.sh BIN_DIR ARTEFACTS
set -u
BIN=$1 ARTEFACTS=$2
source "$(dirname "$0")/../e2e/lib.sh"
bin=$BIN work=$E2E_WORK

stick=$E2E_WORK/stick
mkdir -p "$stick/DCIM/100QXCAM" "$stick/DCIM/ABC" "$stick/QXMOV/100QXMSC"
head -c 3000 /dev/zero > "$stick/DCIM/100QXCAM/DCAM0001.JPG"
head -c 10 /dev/zero > "$stick/DCIM/100QXCAM/DCAM0002.TXT"
touch -d '2003-09-17 10:25' "$stick/DCIM/100QXCAM/DCAM0001.JPG"
start_simulator --capacity-mb 62

"$bin/orin-cam" ls DCIM/100QXCAM >"$work/out" 2>"$work/err" || fail "ls failed: $(cat "$work/err")"
mapfile -t rows <"$work/out"
[ "${#rows[@]}" -eq 3 ] || fail "ls rows: $(cat "$work/out")"
[[ ${rows[0]} == $'MemoryStick\t'*' MB / 64 MB'$'\t' ]] || fail "root row: ${rows[0]}"
[ "${rows[1]}" = $'..\t\t' ] || fail "parent row: ${rows[1]}"
[ "${rows[2]}" = $'DCAM0001.JPG\t3 KB\t2003- 9-17 10:25' ] || fail "file row: ${rows[2]}"

"$bin/orin-cam" ls DCIM >"$work/out" 2>"$work/err" || fail "ls DCIM failed"
grep -q '^100QXCAM' "$work/out" || fail "ls DCIM: $(cat "$work/out")"
grep -q '^ABC' "$work/out" && fail "ABC listed"

"$bin/orin-cam" info >"$work/out" 2>"$work/err" || fail "info failed: $(cat "$work/err")"
grep -q $'^media\tready$' "$work/out" || fail "info: $(cat "$work/out")"
grep -q $'^total\t65011712$' "$work/out" || fail "info total: $(cat "$work/out")"
[ "$(tail -c 1 "$work/out" | od -An -c | tr -d ' ')" = '\n' ] || fail "info does not end with a newline"

# info reports the stick as it is, and only a ready one is a success.
ctl() { "$bin/orin-camsim-ctl" --socket "$SOCKET" "$@" >/dev/null 2>&1 || fail "ctl $*"; }
info_says() {  # EXPECTED_MEDIA
  "$bin/orin-cam" info >"$work/out" 2>"$work/err" && fail "info with media $1 succeeded"
  [ "$(head -1 "$work/out")" = $'media\t'"$1" ] || fail "info, media $1: $(cat "$work/out")"
  [ "$(tail -c 1 "$work/out" | od -An -c | tr -d ' ')" = '\n' ] || fail "info, media $1: no newline at the end"
}
ctl eject
info_says none
ctl insert
ctl stick unformatted
info_says unformatted
ctl stick unsupported
info_says unsupported
ctl stick formatted
"$bin/orin-cam" info >"$work/out" 2>"$work/err" || fail "info after the stick came back: $(cat "$work/err")"

# Help is asked for, on stdout; a missing or unknown command is an error, on stderr.
for asked in help -h --help; do
  "$bin/orin-cam" "$asked" >"$work/out" 2>"$work/err" || fail "orin-cam $asked failed"
  grep -q '^usage: orin-cam ' "$work/out" || fail "orin-cam $asked: $(cat "$work/out")"
  [ -s "$work/err" ] && fail "orin-cam $asked wrote to stderr: $(cat "$work/err")"
done
"$bin/orin-cam" >"$work/out" 2>"$work/err"
[ $? -eq 2 ] && [ ! -s "$work/out" ] && grep -q '^usage:' "$work/err" || fail "orin-cam without a command"
"$bin/orin-cam" frob >/dev/null 2>"$work/err" && fail "an unknown command succeeded"

# A folder that is not there, a missing stick, a missing camera: told, exit 1.
"$bin/orin-cam" ls DCIM/NOPE >/dev/null 2>"$work/err" && fail "ls of a missing folder succeeded"
"$bin/orin-camsim-ctl" --socket "$SOCKET" eject >/dev/null 2>&1 || fail "eject refused"
"$bin/orin-cam" ls >/dev/null 2>"$work/err" && fail "ls without a stick succeeded"
grep -qx 'No Memory!' "$work/err" || fail "no stick: $(cat "$work/err")"
ORIN_CAMERA=sim:$work/none "$bin/orin-cam" info >/dev/null 2>"$work/err" && fail "info without a camera succeeded"
grep -q '^Device is not found.$' "$work/err" || fail "no camera: $(cat "$work/err")"
echo PASS
