#!/usr/bin/env bash
# Prints the notifier's figures under Wine, each beside its goal and the
# floors measured in the same run: the first backup of 1,000 files in 100
# listed folders (and of 200 on a FAT image, which makes no links, where this
# machine mounts one through FUSE), the write-to-copy delay, and a listed
# tree of 20,000 files: its first backup, a start with all of it copied, the
# CPU time while idle, the private memory, and the same tree with its backup
# disk away. Arguments: the idle seconds (60); "tree" for the tree alone.
set -u
source "$(dirname "$0")/common.sh"

install_packages || exit 1
build_target x86_64 || exit 1
start_bench_wine wine-bench-notifier || exit 1

# A FAT folder, where no hard links can be made: an image mounted by fusefat.
fat_image="$BUILD/x86_64/bench-fat.img" fat_dir="$BUILD/x86_64/bench-fat"
no_links=""
mount_fat() {
  for p in dosfstools fusefat; do
    dpkg -s "$p" >/dev/null 2>&1 || as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$p" >/dev/null
  done
  command -v fusefat >/dev/null && command -v mkfs.vfat >/dev/null || return 1
  mkdir -p "$fat_dir"
  rm -f "$fat_image"
  truncate -s 256M "$fat_image" && mkfs.vfat -F 32 "$fat_image" >/dev/null || return 1
  fusefat -f -o rw+ "$fat_image" "$fat_dir" >/dev/null 2>&1 &
  FAT_PID=$!
  local i
  for i in $(seq 1 50); do
    mount | grep -q " $fat_dir " && return 0
    sleep 0.1
  done
  return 1
}
unmount_fat() {
  [ -n "${FAT_PID:-}" ] || return 0
  fusermount -u "$fat_dir" 2>/dev/null || umount "$fat_dir" 2>/dev/null
  kill "$FAT_PID" 2>/dev/null
  rm -f "$fat_image"
}
if [ "${2:-}" = tree ]; then
  :  # the FAT image is for the first backups only
elif mount_fat; then
  no_links="Z:$(printf '%s' "$fat_dir" | tr / '\\')"
  trap 'unmount_fat; wineserver -k 2>/dev/null; stop_display' EXIT
else
  say "no FAT folder could be mounted here (fusefat): the backup without links is not measured"
fi
"$WINE64" "$BUILD/x86_64/tests/notifier_bench.exe" "${1:-60}" "$no_links" "${2:-}"
