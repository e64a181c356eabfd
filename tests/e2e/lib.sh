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

BIN=$(cd "$BIN" && pwd)
mkdir -p "$ARTEFACTS" && ARTEFACTS=$(cd "$ARTEFACTS" && pwd)
E2E_WORK=$(mktemp -d /tmp/orin-e2e-XXXXXX)
mkdir -m 0700 "$E2E_WORK/run"
export XDG_RUNTIME_DIR="$E2E_WORK/run" XDG_CONFIG_HOME="$E2E_WORK/config" XDG_CACHE_HOME="$E2E_WORK/cache"
export ORIN_TEMP_DIR="$E2E_WORK/OrinMedia51Temp"
mkdir -p "$ARTEFACTS" "$E2E_WORK/program" "$E2E_WORK/stick" "$E2E_WORK/pc"
E2E_PIDS=()

e2e_cleanup() {
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

# Runs the command ($3...) until it succeeds; fails with message $2 when it
# has not after $1 seconds.
wait_until() {
  local limit=$1 what=$2
  shift 2
  for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
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
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$E2E_WORK/xvfb.log" &
  E2E_PIDS+=($!)
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
  "$BIN/orin-camsim" --socket "$SOCKET" --stick "$E2E_WORK/stick" "$@" 2>"$E2E_WORK/camsim.log" &
  CAMSIM_PID=$!
  E2E_PIDS+=($CAMSIM_PID)
  # Up once it answers a control request (its socket file shows before it listens).
  wait_until 30 "the simulator did not start" "$BIN/orin-camsim-ctl" --socket "$SOCKET" help >/dev/null 2>&1
  export ORIN_CAMERA="sim:$SOCKET"
}

start_program() {
  (cd "$E2E_WORK/program" && exec "$BIN/orinmedia") 2>"$E2E_WORK/orinmedia.log" &
  PROGRAM_PID=$!
  E2E_PIDS+=($PROGRAM_PID)
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

wait_program_end() {
  wait_until 60 "the program did not end" eval '! kill -0 "$PROGRAM_PID" 2>/dev/null'
}
