#!/usr/bin/env bash
# Prints the notifier's figures under Wine: write-to-copy delay, CPU time
# while idle, start with 1,000 listed files. Argument: the idle seconds (60).
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-bench-notifier"
wineserver -p
"$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; stop_display' EXIT
"$WINE64" "$BUILD/x86_64/tests/notifier_bench.exe" "$@"
