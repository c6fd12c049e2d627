#!/usr/bin/env bash
# Checks the two installers as built. Arguments: the check, the dist folder
# and the build root (holding i686/ and x86_64/).
#   BothAreSmallForTheirMachineAndCarryTheirBuildsFiles: each at most 256 KiB,
#     made for its machine, carrying exactly its own build's bin folder and
#     the uninstaller under the product's name.
#   X86RefusesA64BitWindows: the x86 installer, run in this (64-bit) prefix,
#     ends with exit code 2 and registers nothing; exit 77 (skipped) where
#     this machine does not run 32-bit programs.
source "$(dirname "$0")/common.sh"
check=$1 dist=$2 build=$3
limit=262144
# Named for the product, so that a shared folder keeps another's Uninstall.exe.
uninstaller="Uninstall VELT Duplix 98.exe"
status=0
fail() { echo "FAIL: $*"; status=1; }

# The machine field of a PE file: 14c (i386) or 8664 (x86-64).
machine() {
  local pe
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

check_files() {
  local seven work pair arch rest tree want setup size file name shipped
  seven=$(command -v 7zz || command -v 7z) || { echo "no 7-Zip"; return 1; }
  work=$(mktemp -d)
  for pair in x86:i686:014c x64:x86_64:8664; do
    arch=${pair%%:*} rest=${pair#*:}
    tree=${rest%%:*} want=${rest#*:}
    setup="$dist/VELT-Duplix98-Setup-$arch.exe"
    [ -f "$setup" ] || { fail "$setup missing"; continue; }
    size=$(stat -c %s "$setup")
    echo "$setup: $size bytes, at most $limit allowed"
    [ "$size" -le "$limit" ] || fail "$setup is larger than 256 KiB"
    [ "$(machine "$setup")" = "$want" ] || fail "$setup is made for machine $(machine "$setup"), not $want"
    mkdir "$work/$arch"
    "$seven" x -y -o"$work/$arch" "$setup" >/dev/null || fail "7-Zip cannot read $setup"
    for file in "$build/$tree/bin"/*; do
      name=$(basename "$file")
      if cmp -s "$file" "$work/$arch/$name.dxnew"; then echo "$arch carries $name"; else fail "$arch lacks $tree's $name"; fi
    done
    [ -f "$work/$arch/$uninstaller.dxnew" ] || fail "$arch has no \"$uninstaller\""
    shipped=$(find "$work/$arch" -maxdepth 1 -name '*.dxnew' ! -name "$uninstaller.dxnew" | wc -l)
    [ "$shipped" = "$(ls "$build/$tree/bin" | wc -l)" ] || fail "$arch ships $shipped files, not its bin folder's"
  done
  rm -rf "$work"
}

check_refusal() {
  local reason code
  reason=$(why_no_i686_run)
  if [ -n "$reason" ]; then
    echo "the x86 installer is not run: $reason"
    return 77
  fi
  wine "$dist/VELT-Duplix98-Setup-x86.exe" /S </dev/null >/dev/null 2>&1
  code=$?
  echo "x86 installer on 64-bit Windows: exit code $code"
  [ "$code" = 2 ] || fail "the x86 installer did not refuse a 64-bit Windows with exit code 2"
  # The 32-bit view, where an x86 installer would write.
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELT Duplix 98' /reg:32 </dev/null >/dev/null 2>&1 &&
    fail "the refused x86 installer registered the product"
  return $status
}

case $check in
  BothAreSmallForTheirMachineAndCarryTheirBuildsFiles) check_files; exit $status ;;
  X86RefusesA64BitWindows) check_refusal ;;
  *) echo "unknown check: $check"; exit 1 ;;
esac
