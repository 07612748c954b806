#!/usr/bin/env bash
# Builds the two DLLs and the two native messaging hosts, nothing else (no tests), and
# puts them in one folder:
#   $KESTOR_BUILD_DIR/release/x86/Kestor.ocx, kestor-host.exe   32-bit (mingw-w64 i686)
#   $KESTOR_BUILD_DIR/release/x64/Kestor.ocx, kestor-host.exe   64-bit (mingw-w64 x86_64)
# KESTOR_BUILD_DIR defaults to build/ in the source tree. Two builds of one commit
# give byte-identical DLLs, whatever the folder and the time: the link writes no
# time stamp, the objects hold no source paths and the type library names its
# imports by file name only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}

bash "$root/scripts/install-deps.sh" >&2
mkdir -p "$build"
source "$root/scripts/lib/windows.sh"
# The type library is generated under Wine, in the build's one prefix.
trap 'bash "$root/scripts/wine-stop.sh" "$build/wineprefix"' EXIT
for pair in win32:x86 win64:x64; do
  IFS=: read -r arch platform <<<"$pair"
  log=$build/build-$arch.log
  build_windows "$build" "$arch" kestor_server kestor_host >"$log" 2>&1 ||
    { cat "$log" >&2; echo "building the $platform DLL and host failed" >&2; exit 1; }
  mkdir -p "$build/release/$platform"
  cp "$build/$arch/host/Kestor.ocx" "$build/$arch/host/bridge/kestor-host.exe" "$build/release/$platform/"
done
(cd "$build/release" && sha256sum x86/Kestor.ocx x64/Kestor.ocx x86/kestor-host.exe x64/kestor-host.exe)
