#!/usr/bin/env bash
# Prints, under Wine, how long the dialog takes to open with 0, 1,000 and
# 5,000 stored entries beside the registry reads alone, how long the save
# takes beside raw stores of the same values, then each goal with its measured
# figure; last the size and imports of the i686 Duplix.exe.
# Arguments: the runs per size (9 when not given, 3 at least).
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target i686 || exit 1
build_target x86_64 || exit 1
start_bench_wine wine-bench || exit 1
"$WINE64" "$BUILD/x86_64/tests/open_bench.exe" "$@"

exe="$BUILD/i686/bin/Duplix.exe"
size=$(stat -c %s "$exe")
dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
awk -v s="$size" -v d="$dlls" 'BEGIN {
  printf "goal 5: i686 Duplix.exe %d bytes = %.2f x 64 KiB   (goal <= 1), imports: %s\n", s, s / 65536, d }'
