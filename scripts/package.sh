#!/usr/bin/env bash
# Builds the Debian package with `cpack -G DEB` in build/, shows its control
# data and its files, then unpacks it into a scratch root (dpkg -x) and checks
# and runs the program from there as the install test does (tests/install):
# its Depends must name the run-time packages, its tree must be whole, and the
# unpacked program must start from an unrelated folder against the simulator
# and find its help document and image viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "${JOBS:-$(nproc)}"
rm -f build/orinmedia_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/orinmedia_*.deb)
dpkg-deb -I "$deb"
dpkg-deb -c "$deb"

WORK=$(mktemp -d /tmp/orin-package-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for package in qt6-qpa-plugins gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly \
               gstreamer1.0-libav libqt6widgets6 libgstreamer1.0-0 libusb-1.0-0 libjpeg62-turbo libavcodec; do
  [[ ", $depends" == *", $package"* ]] || fail "the package does not depend on $package"
done

dpkg -x "$deb" "$WORK/root"
source tests/install/check_tree.sh
check_tree "$WORK/root/usr" "$(sed -n 's/^ORIN_USB_ID:STRING=//p' build/CMakeCache.txt)"
bash tests/install/run_installed.sh "$WORK/root/usr" build/artefacts
echo "package: $deb checked"
