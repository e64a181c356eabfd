# Shared steps of the shell tests: a private work folder with its own XDG
# folders, removed at the end with every process started here; a private X
# server, the camera simulator over its socket, the real program,
# screenshots as artefacts. Sourced by the tests (the end-to-end tests, the
# installed program, orin-cam against the daemon); BIN (the build's bin
# folder) and ARTEFACTS must be set.

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
  for _ in $(seq 100); do [ -s "$E2E_WORK/display" ] && break; sleep 0.1; done
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
  for _ in $(seq 100); do [ -S "$SOCKET" ] && break; sleep 0.1; done
  [ -S "$SOCKET" ] || fail "the simulator did not start"
  export ORIN_CAMERA="sim:$SOCKET"
}

start_program() {
  (cd "$E2E_WORK/program" && exec "$BIN/orinmedia") 2>"$E2E_WORK/orinmedia.log" &
  PROGRAM_PID=$!
  E2E_PIDS+=($PROGRAM_PID)
  WINDOW=""
  for _ in $(seq 150); do
    WINDOW=$(xdotool search --name '^Orin Media 5\.1$' 2>/dev/null | head -1 || true)
    [ -n "$WINDOW" ] && break
    sleep 0.1
  done
  [ -n "$WINDOW" ] || fail "no window titled Orin Media 5.1"
}

# Waits until the simulator's log has a line matching $1 (at most $2 seconds).
wait_log() {
  for _ in $(seq $(( ${2:-10} * 10 ))); do grep -q "$1" "$E2E_WORK/camsim.log" && return 0; sleep 0.1; done
  fail "the camera never saw: $1"
}

# Clicks at window coordinates x y.
click() {
  xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
}

shot() {
  import -window root "$ARTEFACTS/$1.png" || fail "screenshot $1"
}

wait_program_end() {
  for _ in $(seq $(( ${1:-15} * 10 ))); do kill -0 "$PROGRAM_PID" 2>/dev/null || return 0; sleep 0.1; done
  fail "the program did not end"
}
