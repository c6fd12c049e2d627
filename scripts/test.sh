#!/usr/bin/env bash
# Builds both targets and runs every test under Wine, the x86_64 build's and,
# where the machine runs 32-bit programs, the i686 build's; installs what is
# missing. Arguments go to both ctest runs.
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target i686 || { say "i686 build failed"; exit 1; }
build_target x86_64 || { say "x86_64 build failed"; exit 1; }

ensure_display || exit 1
passed=0 failed=0 status=0
# Creates a prefix once and starts its wineserver and Wine's own background
# processes now, away from ctest's output pipes: started by the first test
# instead, they would hold its pipe open.
start_prefix() {
  local dir=$1 arch=$2 loader=$3
  make_prefix "$dir" "$arch"
  wineserver -p
  "$loader" cmd.exe /c exit </dev/null >/dev/null 2>&1
  # With no window manager to wait for, Wine's own windows need no handshake
  # with one; otherwise every window that closes waits two seconds for it.
  "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

stop_prefix() {
  [ -d "$1" ] || return 0
  WINEPREFIX=$1 wineserver -k 2>/dev/null
  WINEPREFIX=$1 wineserver -w
}
trap 'for p in "$BUILD"/*/wine-test "$BUILD"/*/wine-cp932; do stop_prefix "$p"; done; stop_display' EXIT

# Runs one build's tests with the given Wine loader, in its prefix and, for
# the code-page test, in a prefix under a Japanese locale (code page 932);
# adds its counts to the totals.
run_suite() {
  local arch=$1 loader=$2
  shift 2
  (export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; start_prefix "$BUILD/$arch/wine-cp932" "$arch" "$loader")
  start_prefix "$BUILD/$arch/wine-test" "$arch" "$loader"

  local log="$BUILD/$arch/ctest.log" code total bad
  ctest --test-dir "$BUILD/$arch" --output-on-failure "$@" 2>&1 | tee "$log"
  code=${PIPESTATUS[0]}
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  bad=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
  total=${total:-0} bad=${bad:-0}
  [ "$total" = 0 ] && [ "$code" != 0 ] && bad=1
  passed=$((passed + total - bad)) failed=$((failed + bad))
  [ "$code" = 0 ] || status=$code
  stop_prefix "$BUILD/$arch/wine-cp932"
  stop_prefix "$WINEPREFIX"
}

run_suite x86_64 "$WINE64" "$@"

reason=$(why_no_i686_run)
if [ -n "$reason" ]; then
  say "i686 tests skipped: $reason"
else
  run_suite i686 wine "$@"
fi

echo "$passed passed, $failed failed"
exit "$status"
