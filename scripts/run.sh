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

save_screenshot "$SHOT" || { say "the dialog did not appear within 60 s"; exit 1; }
