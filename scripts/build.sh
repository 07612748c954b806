#!/usr/bin/env bash
# Builds the two DLLs, nothing else (no tests), and puts them in one folder:
#   $KESTOR_BUILD_DIR/release/x86/Kestor.ocx   32-bit (mingw-w64 i686)
#   $KESTOR_BUILD_DIR/release/x64/Kestor.ocx   64-bit (mingw-w64 x86_64)
# KESTOR_BUILD_DIR defaults to build/ in the source tree. Two builds of one commit
# give byte-identical DLLs, whatever the folder and the time: the link writes no
# time stamp, the objects hold no source paths and the type library names its
# imports by file name only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}

bash "$root/scripts/install-deps.sh" >&2
mkdir -p "$build"
# The type library is generated under Wine in each build folder's private prefix.
trap 'for arch in win32 win64; do bash "$root/scripts/wine-stop.sh" "$build/$arch/wineprefix"; done' EXIT
for pair in win32:i686:x86 win64:x86_64:x64; do
  IFS=: read -r folder toolchain platform <<<"$pair"
  log=$build/build-$folder.log
  {
    cmake -S "$root" -B "$build/$folder" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$toolchain.cmake"
    cmake --build "$build/$folder" -j"$(nproc)" --target kestor_server
  } >"$log" 2>&1 || { cat "$log" >&2; echo "building the $platform DLL failed" >&2; exit 1; }
  mkdir -p "$build/release/$platform"
  cp "$build/$folder/host/Kestor.ocx" "$build/release/$platform/Kestor.ocx"
done
(cd "$build/release" && sha256sum x86/Kestor.ocx x64/Kestor.ocx)
