#!/usr/bin/env bash
# Runs the type library generator under Wine as a build step:
#   run_generator.sh WINE_RUN WINE_STOP PREFIX LOG GENERATOR OUT_TLB OBJSAFE_TLB
# Stops the prefix's server whatever the outcome, so no Wine process outlives the step.
# On failure it shows the generator's messages (Wine output goes to LOG and LOG.err),
# removes OUT_TLB so that the next build runs the step again, and passes the status on.
set -u
run=$1 stop=$2 prefix=$3 log=$4 generator=$5 out_tlb=$6 objsafe_tlb=$7
"$run" "$prefix" 300 "$log" "$generator" "$out_tlb" "$objsafe_tlb"
status=$?
"$stop" "$prefix"
if [ "$status" -ne 0 ]; then
  echo "type library generator failed (status $status); its output:" >&2
  cat "$log" "$log.err" >&2 2>/dev/null
  rm -f "$out_tlb"
fi
exit "$status"
