#!/usr/bin/env bash
# Installs, from Debian's archive, every package the build, the program and the
# tests need. Packages already present are left alone.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libusb-1.0-0-dev umockdev libumockdev-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libavcodec-dev libavutil-dev libswscale-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-libav gstreamer1.0-tools
  libjpeg62-turbo-dev libjpeg-turbo-progs ffmpeg
  libxcb1-dev xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core
  desktop-file-utils appstream poppler-utils dpkg-dev jq
  xdg-utils shared-mime-info dbus-daemon
  clang-14 libclang-rt-14-dev
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
