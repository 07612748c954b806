#!/usr/bin/env bash
# Runs a command with KESTOR_FULL_TEMP naming a folder (as Wine sees it) on a small
# tmpfs that is already full, when this machine lets us mount one; without it
# otherwise, and says so. The mount is undone on the way out.
#   full-tmpfs.sh MOUNTPOINT COMMAND [ARGS...]
set -u
source "$(dirname "$0")/../../../scripts/lib/windows.sh"
mountpoint=$1
shift
mkdir -p "$mountpoint"
if mount -t tmpfs -o size=64k kestor-full "$mountpoint" 2>/dev/null; then
  trap 'umount "$mountpoint"' EXIT
  mkdir "$mountpoint/temp"
  # Runs until the file system is full; its "No space left" is the point.
  dd if=/dev/zero of="$mountpoint/temp/filler" bs=1k 2>/dev/null
  export KESTOR_FULL_TEMP="$(windows_path "$mountpoint/temp/")"
  echo "a full 64 KiB tmpfs at $mountpoint"
else
  echo "mounting a tmpfs is not allowed here: the full file system case is left out"
fi
"$@"
