#!/bin/sh
# Runs a Windows program under Wine in the project's test prefix of its
# target: "wine-run.sh i686 prog.exe ..." or "wine-run.sh x86_64 prog.exe ...".
# ctest calls this for every test executable (CMAKE_CROSSCOMPILING_EMULATOR).
here=$(cd "$(dirname "$0")/.." && pwd)
arch=x86_64
case ${1:-} in i686 | x86_64) arch=$1; shift ;; esac
: "${WINEPREFIX:=$here/build/$arch/wine-test}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: DISPLAY is not set; start an X server first (scripts/test.sh does)" >&2
  exit 125
fi
# 32-bit programs need /usr/bin/wine and its 32-bit loader. For 64-bit ones
# go straight to wine64: on a machine whose kernel refuses 32-bit programs
# /usr/bin/wine fails every start once 32-bit Wine is installed.
if [ "$arch" = i686 ]; then
  exec wine "$@"
fi
if [ -x /usr/lib/wine/wine64 ]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine64 "$@"
