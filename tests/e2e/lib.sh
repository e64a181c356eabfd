# Shared steps of the shell tests: a private work folder with its own XDG
# folders, removed at the end with every process started here; a private X
# server, the camera simulator over its socket, the real program,
# screenshots as artefacts. Sourced by the tests (the end-to-end tests, the
# installed program, orin-cam against the daemon); BIN (the build's bin
# folder) and ARTEFACTS must be set.
#
# Every wait is for a condition (a line in the camera's log, a window, what
# the screen shows), looked at every 0.1 s. The limits only end a test that is
# stuck; a slow or busy machine stays far inside them.
#
# Sanitizers: in the sanitizer build every process a test starts (the
# program, the simulator, orin-cam, a second start of the program) writes its
# sanitizer reports to $E2E_REPORTS/report.PID, and the processes started
# here keep their stderr in $E2E_WORK/NAME.log as well. A report in either,
# or a process of ours that ends with a bad status or by itself, fails the
# test, with the report shown.

BIN=$(cd "$BIN" && pwd)
mkdir -p "$ARTEFACTS" && ARTEFACTS=$(cd "$ARTEFACTS" && pwd)
E2E_WORK=$(mktemp -d /tmp/orin-e2e-XXXXXX)
mkdir -m 0700 "$E2E_WORK/run"
export XDG_RUNTIME_DIR="$E2E_WORK/run" XDG_CONFIG_HOME="$E2E_WORK/config" XDG_CACHE_HOME="$E2E_WORK/cache"
export ORIN_TEMP_DIR="$E2E_WORK/OrinMedia51Temp"
mkdir -p "$ARTEFACTS" "$E2E_WORK/program" "$E2E_WORK/stick" "$E2E_WORK/pc"
E2E_REPORTS="$E2E_WORK/sanitizer"
mkdir "$E2E_REPORTS"
# Added to what the caller set; the last log_path counts.
for options in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS; do
  export "$options=${!options:+${!options}:}log_path=$E2E_REPORTS/report"
done
SANITIZER_WORDS='ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer|WARNING: ThreadSanitizer'
E2E_PIDS=()
declare -A E2E_NAMES=()     # pid -> name of each process started here
declare -A E2E_WATCHED=()   # pid -> name of those that must not end by themselves
declare -A E2E_CHECKED=()   # pid -> name of those whose exit status counts
declare -A E2E_ENDED=()     # pid -> 1 once its end has been collected

# Starts the command ($2...) in the background with its stderr in
# $E2E_WORK/$1.log; its end is checked (status 0, no sanitizer report), and
# until stop_process or wait_end it must not end by itself. Sets LAST_PID.
start_process() {
  local name=$1
  shift
  "$@" 2>"$E2E_WORK/$name.log" &
  LAST_PID=$!
  E2E_PIDS+=("$LAST_PID")
  E2E_NAMES[$LAST_PID]=$name
  E2E_WATCHED[$LAST_PID]=$name
  E2E_CHECKED[$LAST_PID]=$name
}

# EXIT_STATUS becomes the exit status of the process $1, which has ended.
collect_end() {
  EXIT_STATUS=0
  wait "$1" 2>/dev/null || EXIT_STATUS=$?
  E2E_ENDED[$1]=1
}

# Waits (at most $2 seconds, 30 by default) for the process $1 to end,
# which it does by itself or was asked to, and checks its status and reports.
wait_end() {
  local pid=$1 name=${E2E_NAMES[$1]:-process $1}
  unset "E2E_WATCHED[$pid]"
  for _ in $(seq $((${2:-30} * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "$name did not end"
  unset "E2E_CHECKED[$pid]"
  collect_end "$pid"
  [ "$EXIT_STATUS" -eq 0 ] || fail "$name ended with status $EXIT_STATUS"
  reports_so_far && fail "a sanitizer reported"
  return 0
}

# Asks the process $1 to end (SIGTERM) and checks its end as wait_end does.
stop_process() {
  unset "E2E_WATCHED[$1]"
  kill -TERM "$1" 2>/dev/null || true
  wait_end "$1"
}

# True, after printing them, when a sanitizer has reported: the report
# files, and each kept stderr log from its first report on.
show_reports() {
  local reported=1 f line
  for f in "$E2E_REPORTS"/report.*; do
    [ -e "$f" ] && grep -Eq "$SANITIZER_WORDS" "$f" || continue
    echo "--- sanitizer report of process ${f##*.}${E2E_NAMES[${f##*.}]:+ (${E2E_NAMES[${f##*.}]})}:"
    head -200 "$f"
    reported=0
  done >&2
  for f in "$E2E_WORK"/*.log; do
    [ -e "$f" ] || continue
    line=$(grep -Enm1 "$SANITIZER_WORDS" "$f" | cut -d: -f1)
    [ -n "$line" ] || continue
    echo "--- sanitizer report in $(basename "$f"):"
    tail -n "+$line" "$f" | head -200
    reported=0
  done >&2
  return $reported
}

# True when a sanitizer has reported so far (shown at the clean-up).
reports_so_far() {
  grep -Eqs "$SANITIZER_WORDS" "$E2E_REPORTS"/report.* "$E2E_WORK"/*.log
}

# Fails at once when a process that must not end by itself has ended, or a
# sanitizer has written a report; the report is shown at the clean-up.
check_processes() {
  local pid
  for pid in "${!E2E_WATCHED[@]}"; do
    kill -0 "$pid" 2>/dev/null && continue
    local name=${E2E_WATCHED[$pid]}
    unset "E2E_WATCHED[$pid]" "E2E_CHECKED[$pid]"
    collect_end "$pid"
    fail "$name ended by itself (status $EXIT_STATUS)"
  done
  # Only the report files: the logs can be long, and this runs every 0.1 s.
  if grep -Eqs "$SANITIZER_WORDS" "$E2E_REPORTS"/report.*; then fail "a sanitizer reported"; fi
  return 0
}

# Ends every process still running, the last started first (the program
# before its X server), and checks how the checked ones ended; a sanitizer
# report or a bad end fails a test that would otherwise pass.
e2e_cleanup() {
  local rc=$? pid i bad=0
  trap - EXIT
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${E2E_PIDS[$i]}
    [ -z "${E2E_ENDED[$pid]:-}" ] || continue
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      kill -KILL "$pid" 2>/dev/null || true
      echo "${E2E_NAMES[$pid]} did not end on SIGTERM" >&2
      bad=1
    fi
    collect_end "$pid"
    if [ -n "${E2E_CHECKED[$pid]:-}" ] && [ "$EXIT_STATUS" -ne 0 ]; then
      echo "${E2E_CHECKED[$pid]} ended with status $EXIT_STATUS" >&2
      bad=1
    fi
  done
  wait 2>/dev/null || true
  show_reports && bad=1
  if [ "$bad" -ne 0 ] && [ "$rc" -eq 0 ]; then
    echo "FAIL: a process ended badly or a sanitizer reported" >&2
    rc=1
  fi
  rm -rf "$E2E_WORK"
  exit "$rc"
}
trap e2e_cleanup EXIT

# Runs the command ($3...) until it succeeds; fails with message $2 when it
# has not after $1 seconds.
wait_until() {
  local limit=$1 what=$2
  shift 2
  for _ in $(seq $((limit * 10))); do
    "$@" && return 0
    check_processes
    sleep 0.1
  done
  fail "$what"
}

fail() {
  echo "FAIL: $*" >&2
  for log in camsim orinmedia; do
    [ -f "$E2E_WORK/$log.log" ] && { echo "--- $log:"; tail -20 "$E2E_WORK/$log.log"; } >&2
  done
  exit 1
}

start_x() {
  exec 3>"$E2E_WORK/display"
  start_process xvfb Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp
  unset "E2E_CHECKED[$LAST_PID]"  # not ours: how it ends is its own
  wait_until 30 "no X server" test -s "$E2E_WORK/display"
  export DISPLAY=":$(head -1 "$E2E_WORK/display")"
  [ "$DISPLAY" != ":" ] || fail "no X server"
}

# The simulator with the sample Memory Stick; further options as given.
start_camera() {
  start_simulator --sample "$@"
}

# The simulator over $E2E_WORK/stick as the test filled it; ORIN_CAMERA names
# its socket $SOCKET. Further options as given.
start_simulator() {
  SOCKET="$E2E_WORK/cam.sock"
  start_process camsim "$BIN/orin-camsim" --socket "$SOCKET" --stick "$E2E_WORK/stick" "$@"
  CAMSIM_PID=$LAST_PID
  # Up once it answers a control request (its socket file shows before it listens).
  wait_until 30 "the simulator did not start" "$BIN/orin-camsim-ctl" --socket "$SOCKET" help >/dev/null 2>&1
  export ORIN_CAMERA="sim:$SOCKET"
}

start_program() {
  start_process orinmedia run_in "$E2E_WORK/program" "$BIN/orinmedia"
  PROGRAM_PID=$LAST_PID
  WINDOW=""
  main_window() {
    WINDOW=$(xdotool search --name '^Orin Media 5\.1$' 2>/dev/null | head -1 || true)
    [ -n "$WINDOW" ]
  }
  wait_until 60 "no window titled Orin Media 5.1" main_window
}

# Waits until the simulator's log has a line matching $1.
wait_log() {
  wait_until 60 "the camera never saw: $1" grep -q "$1" "$E2E_WORK/camsim.log"
}

# How many colours the area W x H at X Y ($1..$4, window coordinates) of the
# program's window shows on the screen now.
colours() {
  local origin x y
  origin=$(xdotool getwindowgeometry --shell "$WINDOW")
  x=$(sed -n 's/^X=//p' <<<"$origin")
  y=$(sed -n 's/^Y=//p' <<<"$origin")
  import -window root miff:- 2>/dev/null |
    convert miff:- -crop "$1x$2+$((x + $3))+$((y + $4))" +repage -format %k info:- 2>/dev/null
}
# The area shows more than $5 colours (a picture, a text), or exactly $5.
shows_more_than() { local n; n=$(colours "$1" "$2" "$3" "$4"); [ "${n:-0}" -gt "$5" ]; }
shows_exactly() { local n; n=$(colours "$1" "$2" "$3" "$4"); [ "${n:-0}" -eq "$5" ]; }

# A visible window of the program besides its main window (a menu, a dialog,
# the picture that follows a drag) at least $1 pixels high and painted: more
# than two colours in it. Prints its id.
other_window() {
  local w height painted
  for w in $(xdotool search --onlyvisible --pid "$PROGRAM_PID" 2>/dev/null); do
    [ "$w" != "$WINDOW" ] || continue
    height=$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^HEIGHT=//p')
    [ "${height:-0}" -ge "$1" ] || continue
    painted=$(import -window "$w" miff:- 2>/dev/null | convert miff:- -format %k info:- 2>/dev/null)
    [ "${painted:-0}" -gt 2 ] || continue
    echo "$w"
    return 0
  done
  return 1
}
no_other_window() { ! other_window 1 >/dev/null; }

# Clicks at window coordinates x y.
click() {
  xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
}

shot() {
  import -window root "$ARTEFACTS/$1.png" || fail "screenshot $1"
}

# The program has ended, by itself or asked to, with status 0 and without a
# sanitizer's report.
wait_program_end() {
  wait_end "$PROGRAM_PID" "${1:-60}"
}

# Runs the command ($2...) in the folder $1, as the same process.
run_in() {
  cd "$1" && shift && exec "$@"
}
