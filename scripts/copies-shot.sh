#!/usr/bin/env bash
# Shows the copies window for an example file with a few saved versions, on a
# private virtual display inside Wine's desktop window, and saves a
# screenshot (the README's docs/copies.png). Prints the screenshot's path.
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || { say "build failed"; exit 1; }
ensure_display || exit 1
make_prefix "$BUILD/x86_64/wine-shot"
trap 'wineserver -k 2>/dev/null; stop_display' EXIT
SHOT="$BUILD/x86_64/copies.png"
C="$WINEPREFIX/drive_c"
COPIES="$C/Duplix Path"

# One file and its copies where the notifier puts them: path, content, time.
rm -rf "$COPIES" "$C/Work"
put() {
  mkdir -p "$(dirname "$1")" && printf '%s' "$2" >"$1" && touch -d "$3" "$1"
}
put "$C/Work/plan.doc" "$(seq 1 2300)" "2026-12-07 09:52:31"
put "$COPIES/C/Work/plan.doc" "$(seq 1 2300)" "2026-12-07 09:52:31"
put "$COPIES/a Last Hour - One per Minute/52/C/Work/plan.doc" "$(seq 1 2300)" "2026-12-07 09:52:31"
put "$COPIES/b Last Day - One per Hour/09/C/Work/plan.doc" "$(seq 1 2300)" "2026-12-07 09:52:31"
put "$COPIES/c Last Month - One per Day/07/C/Work/plan.doc" "$(seq 1 2300)" "2026-12-07 09:52:31"
put "$COPIES/a Last Hour - One per Minute/17/C/Work/plan.doc" "$(seq 1 2100)" "2026-12-07 09:17:05"
put "$COPIES/b Last Day - One per Hour/08/C/Work/plan.doc" "$(seq 1 1800)" "2026-12-07 08:44:50"
put "$COPIES/c Last Month - One per Day/06/C/Work/plan.doc" "$(seq 1 1650)" "2026-12-06 17:02:13"
put "$COPIES/c Last Month - One per Day/03/C/Work/plan.doc" "$(seq 1 900)" "2026-12-03 11:30:00"
"$WINE64" reg add 'HKCU\Software\VELT Software\Duplix' /v ListItem0 /d 'C:\Work' /f >/dev/null 2>&1

"$WINE64" explorer /desktop=Copies,720x390 "$BUILD/x86_64/bin/dxrestore.exe" 'C:\Work\plan.doc' >/dev/null 2>&1 &

# Wait until the screen shows the window and has stopped changing.
prev=""
for i in $(seq 1 120); do
  sleep 0.5
  import -window root -crop 720x390+0+0 "$SHOT.tmp.png" 2>/dev/null || continue
  colours=$(convert "$SHOT.tmp.png" -format %k info: 2>/dev/null || echo 0)
  sum=$(md5sum <"$SHOT.tmp.png")
  if [ "${colours:-0}" -gt 16 ] && [ "$sum" = "$prev" ]; then
    mv "$SHOT.tmp.png" "$SHOT"
    echo "$SHOT"
    exit 0
  fi
  prev=$sum
done
say "the window did not appear within 60 s"
exit 1
