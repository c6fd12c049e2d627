#!/usr/bin/env bash
# Shows the folder window for an example folder from which two files were
# deleted, on a private virtual display inside Wine's desktop window, and
# saves a screenshot (the README's docs/folder.png). Prints its path.
set -u
source "$(dirname "$0")/common.sh"

start_shot_wine || exit 1
SHOT="$BUILD/x86_64/folder.png"
C="$WINEPREFIX/drive_c"
COPIES="$C/Duplix Path"
DAY=$(date +%d)

# A folder and its copies where the notifier puts them: path, content, time.
rm -rf "$COPIES" "$C/Work"
put() {
  mkdir -p "$(dirname "$1")" && printf '%s' "$2" >"$1" && touch -d "$3" "$1"
}
# Kept in the folder and in its copies alike.
for f in "plan.doc:2300:2 hours ago" "2026/budget.xls:5100:3 days ago" "notes/agenda.txt:120:40 minutes ago"; do
  name=${f%%:*} rest=${f#*:} size=${rest%%:*} when=${rest#*:}
  put "$C/Work/$name" "$(seq 1 "$size")" "$when"
  put "$COPIES/C/Work/$name" "$(seq 1 "$size")" "$when"
done
# Deleted from the folder: only their copies are left.
put "$COPIES/C/Work/2026/report.doc" "$(seq 1 4200)" "yesterday 16:40"
put "$COPIES/c Last Month - One per Day/$DAY/C/Work/2026/report.doc" "$(seq 1 4200)" "yesterday 16:40"
put "$COPIES/C/Work/notes/minutes 12-01.doc" "$(seq 1 1900)" "5 days ago"
"$WINE64" reg add 'HKCU\Software\VELT Software\Duplix' /v ListItem0 /d 'C:\Work' /f >/dev/null 2>&1

# Wine's desktop window draws the caption and frame that no window manager
# would draw here.
"$WINE64" explorer /desktop=Folder,760x430 "$BUILD/x86_64/bin/dxrestore.exe" 'C:\Work' >/dev/null 2>&1 &

save_screenshot "$SHOT" 760x430 || { say "the window did not appear within 60 s"; exit 1; }
