#!/usr/bin/env bash
# Shows the notifier's status window with two files that cannot be backed up,
# on a private virtual display inside Wine's desktop window, and saves a
# screenshot (the README's docs/status.png). Prints the screenshot's path.
set -u
source "$(dirname "$0")/common.sh"

start_shot_wine || exit 1
SHOT="$BUILD/x86_64/status.png"
C="$WINEPREFIX/drive_c"
KEY='HKCU\Software\VELT Software\Duplix'

# A file that is there, one that is missing and one that another program
# keeps open (the opener below, from before the notifier starts).
rm -rf "$C/Duplix Path" "$C/Work"
mkdir -p "$C/Work" && printf 'plan' >"$C/Work/plan.doc" && printf 'mail' >"$C/Work/mail.pst"
"$WINE64" reg delete "$KEY" /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v BackupPath /d 'C:\Duplix Path' /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v ListItem0 /d 'C:\Work\plan.doc' /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v ListItem1 /d 'C:\Work\budget.xls' /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v ListItem2 /d 'C:\Work\mail.pst' /f >/dev/null 2>&1

# Holds the mail file; once the icon's tip (the notifier window's text) has
# told the trouble and the balloon has come, sends the icon's double click
# as the shell sends it. It runs on the notifier's desktop: windows of
# another desktop cannot be found.
OPENER="$BUILD/x86_64/open-status.exe"
printf '%s\n' '#include <windows.h>' '#include <string.h>' 'int main(void) {' \
  '  char tip[128] = ""; HWND w = NULL; int i;' \
  '  HANDLE held = CreateFileA("C:\\Work\\mail.pst", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);' \
  '  CloseHandle(CreateFileA("C:\\opener-holds", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));' \
  '  for (i = 0; i < 600 && !strstr(tip, "2 files not backed up"); i++, Sleep(100))' \
  '    if ((w = FindWindowA("VELT Duplix 98 Notifier", NULL)) != NULL) GetWindowTextA(w, tip, sizeof(tip));' \
  '  Sleep(3000);' \
  '  if (w != NULL) PostMessageA(w, WM_APP + 1, 0, WM_LBUTTONDBLCLK);' \
  '  CloseHandle(CreateFileA("C:\\opener-clicked", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));' \
  '  Sleep(60000);' \
  '  CloseHandle(held);' \
  '  return 0;' \
  '}' | x86_64-w64-mingw32-gcc -x c -o "$OPENER" - || { say "the opener did not build"; exit 1; }

# Wine's desktop window draws the caption, the frame and a taskbar with the
# icon, which no window manager would draw here.
wait_for() {
  local i
  for i in $(seq 1 600); do [ -e "$1" ] && return 0; sleep 0.1; done
  return 1
}
rm -f "$C/opener-holds" "$C/opener-clicked"
"$WINE64" explorer /desktop=Status,800x560 "$OPENER" >/dev/null 2>&1 &
wait_for "$C/opener-holds" || { say "the opener did not start"; exit 1; }
"$WINE64" explorer /desktop=Status,800x560 "$BUILD/x86_64/bin/dxnotify.exe" >/dev/null 2>&1 &
wait_for "$C/opener-clicked" || { say "the icon did not tell the trouble"; exit 1; }

save_screenshot "$SHOT" 800x560 || { say "the window did not appear within 60 s"; exit 1; }
