#!/usr/bin/env bash
# Takes an inventory of this machine through the real component: builds Kestor.ocx,
# registers it in a private 64-bit Wine prefix and drives it from a script host as a
# page would. Prints the file id and the report.
#   scripts/inventory.sh [--32] ["SELECT ... FROM Win32_X|SELECT ... FROM Win32_Y|"]
# By default the 64-bit DLL and the 64-bit script host (C:\windows\system32\cscript.exe);
# --32 takes the 32-bit DLL and host (C:\windows\syswow64\cscript.exe) instead.
# Each query of a list is followed by "|".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
prefix=$build/wineprefix
out=$build/inventory

source "$root/scripts/lib/windows.sh"

arch=win64 system='C:\windows\system32'
if [ "${1:-}" = "--32" ]; then
  arch=win32 system='C:\windows\syswow64'
  shift
fi

bash "$root/scripts/install-deps.sh" inventory >&2
mkdir -p "$build"
build_windows "$build" "$arch" kestor_server >"$build/inventory-build.log" 2>&1 || { cat "$build/inventory-build.log" >&2; exit 1; }

trap 'bash "$root/scripts/wine-stop.sh" "$prefix"' EXIT
mkdir -p "$out"
bash "$root/scripts/wine-run.sh" "$prefix" 120 "$out/regsvr32.txt" \
  "$system\\regsvr32.exe" /s "$(windows_path "$build/$arch/host/Kestor.ocx")" || {
  echo "registering $arch Kestor.ocx failed" >&2; exit 1; }
status=0
bash "$root/scripts/wine-run.sh" "$prefix" 600 "$out/report.txt" \
  "$system\\cscript.exe" //nologo "$(windows_path "$root/samples/inventory.vbs")" "$@" || status=$?
cat "$out/report.txt"
if [ "$status" -ne 0 ] || ! grep -q '^File id: ' "$out/report.txt"; then
  echo "the inventory did not complete (status $status); see $out/report.txt.err" >&2
  exit 1
fi
