#!/usr/bin/env bash
# Runs one cross-built GoogleTest program under Wine and shows what it printed.
#   run-gtest.sh WINE_RUN PREFIX SECONDS OUTFILE PROGRAM [ARGS...]
# Passes when the program exits 0 and reports at least one passed test.
set -u
run=$1 prefix=$2 seconds=$3 outfile=$4
shift 4
bash "$run" "$prefix" "$seconds" "$outfile" "$@"
status=$?
tr -d '\r' <"$outfile"
if [ -s "$outfile.err" ]; then
  echo "--- standard error"
  tr -d '\r' <"$outfile.err"
fi
if [ "$status" -ne 0 ]; then
  echo "test program exited with status $status"
  exit 1
fi
if ! tr -d '\r' <"$outfile" | grep -Eq '^\[  PASSED  \] [1-9][0-9]* test'; then
  echo "no test passed: the program ran nothing"
  exit 1
fi
exit 0
