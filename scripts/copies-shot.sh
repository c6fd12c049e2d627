#!/usr/bin/env bash
# Shows the copies window for an example file with a few saved versions, on a
# private virtual display inside Wine's desktop window, and saves a
# screenshot (the README's docs/copies.png). Prints the screenshot's path.
set -u
source "$(dirname "$0")/common.sh"

start_shot_wine || exit 1
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

# Wine's desktop window draws the caption and frame that no window manager
# would draw here.
"$WINE64" explorer /desktop=Copies,720x390 "$BUILD/x86_64/bin/dxrestore.exe" 'C:\Work\plan.doc' >/dev/null 2>&1 &

save_screenshot "$SHOT" 720x390 || { say "the window did not appear within 60 s"; exit 1; }
