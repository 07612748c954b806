#!/usr/bin/env bash
# Runs the fuzz targets (ASan + UBSan) for a while each:
#   bash scripts/fuzz.sh [seconds per target, default 600] [target ...]
# Targets: query_text, collection, file_id, bridge. Each starts from its corpus in
# tests/fuzz/corpus/<target> and keeps what it finds in $build/fuzz/corpus/<target>.
# A broken rule or a sanitizer report stops the run and leaves the input in
# $build/fuzz/artifacts; once fixed, copy it into the target's corpus folder so that
# every later run (and the corpus test) replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(query_text collection file_id bridge)

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build/asan" -DCMAKE_BUILD_TYPE=Debug -DKESTOR_FUZZ=ON >/dev/null
cmake --build "$build/asan" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
mkdir -p "$build/fuzz/artifacts"
for target in "${targets[@]}"; do
  corpus=$build/fuzz/corpus/$target
  log=$build/fuzz/$target.log
  mkdir -p "$corpus"
  if ! "$build/asan/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/fuzz/artifacts/$target-" "$corpus" "$root/tests/fuzz/corpus/$target" \
      >"$log" 2>&1; then
    echo "fuzz $target: FAILED (log $log)"
    grep -E "rule broken|ERROR|SUMMARY|Test unit written" "$log" || tail -20 "$log"
    exit 1
  fi
  runs=$(grep -o 'number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
  echo "fuzz $target: $runs executions in $seconds s, no rule broken, no sanitizer report"
done
