#!/usr/bin/env bash
# Prints the Explorer extension's figures under Wine: how long Explorer's
# call takes and how long the whole batch takes, for 1,000 selected files
# against a 5,000-entry list. Argument: the number of runs (3).
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
start_bench_wine wine-bench-extension || exit 1
"$WINE64" "$BUILD/x86_64/tests/extension_bench.exe" "$@"
