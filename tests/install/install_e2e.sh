#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, the installed tree checked
# (check_tree.sh), then the installed program run from an unrelated folder
# (run_installed.sh).
#
#   install_e2e.sh BUILD_DIR USB_ID ARTEFACTS
set -euo pipefail
BUILD=$1 USB_ID=$2 ARTEFACTS=$3
BIN=$BUILD/bin
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../e2e/lib.sh"
source "$HERE/check_tree.sh"
WORK=$E2E_WORK

cmake --install "$BUILD" --prefix "$WORK/prefix" >"$WORK/install.log" || { cat "$WORK/install.log" >&2; fail "cmake --install"; }
check_tree "$WORK/prefix" "$USB_ID"
(cd "$WORK/prefix" && find . -type f | sort) >"$ARTEFACTS/installed-files.txt"
bash "$HERE/run_installed.sh" "$WORK/prefix" "$ARTEFACTS"
echo "install e2e: 1 passed, 0 failed"
