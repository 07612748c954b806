#!/usr/bin/env bash
# Runs one Windows program under Wine in a private prefix, bounded in time, with its
# output in files (a lingering wineserver keeps pipes open, so never pipe wine).
#   wine-run.sh PREFIX SECONDS OUTFILE PROGRAM [ARGS...]
# Standard output goes to OUTFILE, standard error to OUTFILE.err. Exits with the
# program's status (124 on time-out). Stop the prefix's server with wine-stop.sh.
set -u
prefix=$1 seconds=$2 outfile=$3
shift 3
# The prefix is 32-bit: with wine64 installed beside wine32 a new prefix would
# otherwise be 64-bit.
export WINEARCH=win32 WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
mkdir -p "$(dirname "$outfile")"
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  timeout 300 wineboot -i >"$prefix.boot.log" 2>&1 </dev/null || { echo "wineboot failed, see $prefix.boot.log" >&2; exit 125; }
fi
timeout "$seconds" wine "$@" >"$outfile" 2>"$outfile.err" </dev/null
