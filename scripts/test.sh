#!/usr/bin/env bash
# Builds both targets and runs every test under Wine; installs what is missing.
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target i686 || { say "i686 build failed"; exit 1; }
build_target x86_64 || { say "x86_64 build failed"; exit 1; }

ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-test"
# One wineserver for the whole run, instead of one per test process.
wineserver -p
# Start Wine's own background processes now, away from ctest's output pipes:
# started by the first test instead, they would hold its pipe open.
"$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1
# With no window manager to wait for, Wine's own windows need no handshake
# with one; otherwise every window that closes waits two seconds for it.
"$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null; stop_display' EXIT

log="$BUILD/x86_64/ctest.log"
ctest --test-dir "$BUILD/x86_64" --output-on-failure "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
failed=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
total=${total:-0}
failed=${failed:-0}
[ "$total" = 0 ] && [ "$status" != 0 ] && failed=1
echo "$((total - failed)) passed, $failed failed"
exit "$status"
