#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively, the Windows
# component cross-compiled for 32-bit and for 64-bit Windows and exercised under Wine,
# both registered in one private 64-bit prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
jobs=$(nproc)

bash "$root/scripts/install-deps.sh"

echo "== Portable core (native) =="
cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build/native" -j"$jobs"
ctest --test-dir "$build/native" --output-on-failure

echo "== Portable core under ASan + UBSan (LSan on), then fuzzing =="
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DKESTOR_FUZZ=ON
cmake --build "$build/asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build/asan" --output-on-failure
bash "$root/scripts/fuzz.sh" "${KESTOR_FUZZ_SECONDS:-60}"

# Both DLLs are built before any Wine test runs: each architecture's tests also check
# that registering and unregistering its DLL leaves the other one working.
trap 'bash "$root/scripts/wine-stop.sh" "$build/wineprefix"' EXIT
source "$root/scripts/lib/windows.sh"
for arch in win32 win64; do
  echo "== Kestor.ocx $arch: build =="
  build_windows "$build" "$arch"
done
for arch in win32 win64; do
  echo "== Kestor.ocx $arch: tests under Wine =="
  ctest --test-dir "$build/$arch" --output-on-failure
done

echo "== Browser bridge: chromium and firefox-esr, the extension, kestor-host.exe under Wine =="
bash "$root/tests/browser/run.sh" "$build"

echo "== Release: reproducible DLLs, signatures, installers under Wine =="
bash "$root/tests/release/check.sh" "$build"
