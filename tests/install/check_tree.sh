# Checks an installed Orin Media 5.1 below a prefix (a `cmake --install` or an
# unpacked .deb): every file in its place, the libraries found through the
# RUNPATH, the desktop files valid, the icons at their sizes, the udev rule for
# the camera's id, the manual pages clean. Sourced; calls fail() of the caller
# and writes its notes into the caller's scratch folder $WORK.
#
#   check_tree PREFIX USB_ID

check_tree() {
  local prefix=$1 usb_id=$2 folder=$1/lib/orinmedia
  local f
  for f in bin/orinmedia bin/orin-cam bin/orin-camsim bin/orin-camsim-ctl \
           lib/orinmedia/libTeskDll.so lib/orinmedia/Pictor "lib/orinmedia/Orin Media 5_1.pdf" \
           lib/udev/rules.d/70-orinmedia.rules share/applications/orinmedia.desktop \
           share/man/man1/orinmedia.1 share/man/man1/orin-cam.1 share/man/man1/orin-camsim.1 \
           share/man/man1/orin-camsim-ctl.1; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
  done
  for f in orinmedia orin-cam orin-camsim orin-camsim-ctl; do
    [ -x "$prefix/bin/$f" ] || fail "not a program: bin/$f"
  done
  [ -x "$folder/Pictor" ] || fail "the image viewer is not a program"
  # The still converter reads its table from the program folder.
  if [ -f "$folder/libPIXA.so" ]; then
    [ -f "$folder/pixa_tbl.tbl" ] || fail "the still converter is installed without pixa_tbl.tbl"
  fi

  # The programs find the driver library from their own place, whatever the
  # current folder and without LD_LIBRARY_PATH: orin-cam gets as far as its usage.
  readelf -d "$prefix/bin/orinmedia" | grep -q 'RUNPATH.*\[\$ORIGIN/\.\./lib/orinmedia\]' ||
    fail "orinmedia does not look for its libraries in ../lib/orinmedia"
  local status=0
  (cd / && env -u LD_LIBRARY_PATH "$prefix/bin/orin-cam" >/dev/null 2>&1) || status=$?
  [ "$status" -eq 2 ] || fail "the installed orin-cam did not start (status $status)"

  desktop-file-validate "$prefix/share/applications/orinmedia.desktop" ||
    fail "desktop-file-validate refuses the desktop entry"
  local metainfo
  metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml 2>/dev/null | head -1)
  [ -n "$metainfo" ] || fail "no AppStream metainfo"
  appstreamcli validate --no-net "$metainfo" >"$WORK/appstream.log" 2>&1 ||
    { cat "$WORK/appstream.log" >&2; fail "appstreamcli refuses the metainfo"; }
  grep -q '^[EW]:' "$WORK/appstream.log" && { cat "$WORK/appstream.log" >&2; fail "appstreamcli warns about the metainfo"; }
  appstreamcli validate-tree --no-net "$prefix" >"$WORK/appstream-tree.log" 2>&1 ||
    { cat "$WORK/appstream-tree.log" >&2; fail "appstreamcli refuses the installed tree"; }
  local modalias
  modalias="usb:v$(echo "${usb_id%%:*}" | tr 'a-f' 'A-F')p$(echo "${usb_id##*:}" | tr 'a-f' 'A-F')d*"
  grep -qF "<modalias>$modalias</modalias>" "$metainfo" ||
    fail "the metainfo does not offer the program for the camera $usb_id"

  local size
  for size in 16 24 32 48 64 128 256; do
    f="$prefix/share/icons/hicolor/${size}x${size}/apps/orinmedia.png"
    [ -f "$f" ] || fail "no icon of $size pixels"
    [ "$(identify -format '%wx%h' "$f")" = "${size}x${size}" ] || fail "the icon of $size pixels has another size"
  done

  # The rule gives the seat's user the camera with the id the library looks for.
  local vendor product rule=$prefix/lib/udev/rules.d/70-orinmedia.rules
  vendor=$(echo "${usb_id%%:*}" | tr 'A-F' 'a-f')
  product=$(echo "${usb_id##*:}" | tr 'A-F' 'a-f')
  grep -v '^#' "$rule" | grep -q "SUBSYSTEM==\"usb\".*ATTR{idVendor}==\"$vendor\".*ATTR{idProduct}==\"$product\".*TAG+=\"uaccess\"" ||
    fail "the udev rule does not open $usb_id to the user"

  for f in "$prefix"/share/man/man1/*.1; do
    local warnings
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$f" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man finds faults in $(basename "$f"): $warnings"
  done
}
