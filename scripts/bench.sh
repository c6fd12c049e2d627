#!/usr/bin/env bash
# Prints how long the dialog takes to open with 0 to 5,000 stored entries, and
# how long the save takes, under Wine. Arguments: the runs per size (3).
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-bench"
wineserver -p
"$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; stop_display' EXIT
"$WINE64" "$BUILD/x86_64/tests/open_bench.exe" "$@"
