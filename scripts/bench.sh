#!/usr/bin/env bash
# Builds the core natively and prints the report throughput benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/native" -j"$(nproc)" --target kestor_bench >/dev/null
"$build/native/bench/kestor_bench" "$@"
