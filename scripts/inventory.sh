#!/usr/bin/env bash
# Takes an inventory of this machine through the real component: builds Kestor.ocx,
# registers it in a private Wine prefix and drives it from a script host as a page
# would. Prints the file id and the report.
#   scripts/inventory.sh ["SELECT ... FROM Win32_X|SELECT ... FROM Win32_Y|"]
# Each query of a list is followed by "|".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
prefix=$build/win/wineprefix
out=$build/inventory

bash "$root/scripts/install-deps.sh" >&2
mkdir -p "$build"
{
  cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
  cmake --build "$build/win" -j"$(nproc)" --target kestor_server
} >"$build/inventory-build.log" 2>&1 || { cat "$build/inventory-build.log" >&2; exit 1; }

# Wine sees this machine's files under drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

trap 'bash "$root/scripts/wine-stop.sh" "$prefix"' EXIT
mkdir -p "$out"
bash "$root/scripts/wine-run.sh" "$prefix" 120 "$out/regsvr32.txt" regsvr32 /s "$(windows_path "$build/win/host/Kestor.ocx")" || {
  echo "registering Kestor.ocx failed" >&2; exit 1; }
status=0
bash "$root/scripts/wine-run.sh" "$prefix" 600 "$out/report.txt" \
  cscript //nologo "$(windows_path "$root/scripts/inventory.vbs")" "$@" || status=$?
cat "$out/report.txt"
if [ "$status" -ne 0 ] || ! grep -q '^File id: ' "$out/report.txt"; then
  echo "the inventory did not complete (status $status); see $out/report.txt.err" >&2
  exit 1
fi
