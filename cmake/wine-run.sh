#!/bin/sh
# Runs a Windows program under 64-bit Wine in the project's test prefix.
# ctest calls this for every test executable (CMAKE_CROSSCOMPILING_EMULATOR).
here=$(cd "$(dirname "$0")/.." && pwd)
: "${WINEPREFIX:=$here/build/x86_64/wine-test}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: DISPLAY is not set; start an X server first (scripts/test.sh does)" >&2
  exit 125
fi
# /usr/bin/wine prefers a 32-bit loader that cannot run here; go straight to wine64.
if [ -x /usr/lib/wine/wine64 ]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine64 "$@"
