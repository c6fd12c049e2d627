#!/usr/bin/env bash
# Builds what is missing and starts the settings program under Wine.
# With a display it shows there; without one it shows on a private virtual
# display, saves a screenshot and prints its path. Arguments go to Duplix.exe.
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || { say "build failed"; exit 1; }
EXE="$BUILD/x86_64/bin/Duplix.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  make_prefix "$BUILD/x86_64/wine-run"
  "$WINE64" "$EXE" "$@"
  exit $?
fi

ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-run"
SHOT="$BUILD/x86_64/screenshot.png"
trap 'wineserver -k 2>/dev/null; stop_display' EXIT

# Wine's desktop window draws the caption and frame that no window manager
# would draw here.
"$WINE64" explorer /desktop=Duplix,1024x768 "$EXE" "$@" >/dev/null 2>&1 &

# The dialog is inside Wine's desktop, not an X window of its own: wait until
# the screen shows more than the bare desktop and has stopped changing.
prev=""
for i in $(seq 1 120); do
  sleep 0.5
  import -window root "$SHOT.tmp.png" 2>/dev/null || continue
  colours=$(convert "$SHOT.tmp.png" -format %k info: 2>/dev/null || echo 0)
  sum=$(md5sum <"$SHOT.tmp.png")
  if [ "${colours:-0}" -gt 16 ] && [ "$sum" = "$prev" ]; then
    mv "$SHOT.tmp.png" "$SHOT"
    echo "$SHOT"
    exit 0
  fi
  prev=$sum
done
say "the dialog did not appear within 60 s"
exit 1
