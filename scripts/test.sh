#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively, the Windows
# component cross-compiled and exercised under Wine in a private prefix.
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

echo "== Kestor.ocx (mingw-w64 i686, under Wine) =="
trap 'bash "$root/scripts/wine-stop.sh" "$build/win/wineprefix"' EXIT
cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
cmake --build "$build/win" -j"$jobs"
ctest --test-dir "$build/win" --output-on-failure
