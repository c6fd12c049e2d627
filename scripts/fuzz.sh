#!/usr/bin/env bash
# Sends the settings dialog random copy-data records (10,000 unless told how
# many) and checks that it stays whole. Not part of the tests: it takes a while.
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-test"
trap 'wineserver -k 2>/dev/null; stop_display' EXIT
DUPLIX_FUZZ_RECORDS=${1:-10000} "$WINE64" "$BUILD/x86_64/tests/dialog_tests.exe" \
  --gtest_filter='CopyData.RandomRecords*'
