#!/usr/bin/env bash
# Prints the notifier's figures under Wine, each beside its goal: the first
# backup of 1,000 files against the CopyFileA-and-rename floor measured in the
# same run, the start with 1,000 listed files, the write-to-copy delay and the
# CPU time while idle. Argument: the idle seconds (60).
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
start_bench_wine wine-bench-notifier || exit 1
"$WINE64" "$BUILD/x86_64/tests/notifier_bench.exe" "$@"
