#!/usr/bin/env bash
# Installs what is missing, builds, starts the camera simulator with a sample
# Memory Stick and runs the program against it. The simulator ends with the script.
set -euo pipefail
CALLER=$PWD
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

RUN=build/run
mkdir -p "$RUN/stick"
SOCKET="$PWD/$RUN/camsim.sock"
STICK="$PWD/$RUN/stick"
build/bin/orin-camsim --socket "$SOCKET" --stick "$STICK" --sample 2>"$RUN/camsim.log" &
SIM=$!
trap 'kill $SIM 2>/dev/null; wait $SIM 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -S "$SOCKET" ] && break; sleep 0.1; done

export ORIN_CAMERA="sim:$SOCKET"
echo "Camera simulator on $SOCKET (log: $RUN/camsim.log); Memory Stick in $STICK" >&2
# The program finds its siblings beside itself in build/bin; it starts, like a
# program from the desktop, in the caller's folder, which its PC pane shows first.
BIN=$PWD/build/bin
cd "$CALLER"
"$BIN/orinmedia"
