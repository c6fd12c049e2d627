#!/bin/sh
# Fails when a Windows program is larger than a limit or imports a DLL that
# is not part of Windows. Arguments: the program, the limit in bytes, the
# objdump that reads it.
exe=$1 limit=$2 objdump=${3:-objdump}
if [ ! -f "$exe" ]; then
  echo "$exe: missing"
  exit 1
fi
status=0
size=$(stat -c %s "$exe")
echo "$exe: $size bytes, at most $limit allowed"
[ "$size" -le "$limit" ] || status=1
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports read"; status=1; }
for dll in $dlls; do
  case $(echo "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | comctl32.dll | comdlg32.dll | shell32.dll | \
    ole32.dll | oleaut32.dll | shlwapi.dll | version.dll | msvcrt.dll) echo "imports $dll" ;;
    *) echo "imports $dll, which is not a system DLL"; status=1 ;;
  esac
done
exit $status
