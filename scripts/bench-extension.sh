#!/usr/bin/env bash
# Prints the Explorer extension's figures under Wine: how long Explorer's
# call takes and how long the whole batch takes, for 1,000 selected files
# against a 5,000-entry list. Argument: the number of runs (3).
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-bench-extension"
wineserver -p
"$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1
"$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; stop_display' EXIT
"$WINE64" "$BUILD/x86_64/tests/extension_bench.exe" "$@"
