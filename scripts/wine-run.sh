#!/usr/bin/env bash
# Runs one Windows program under Wine in a private prefix, bounded in time, with its
# output in files (a lingering wineserver keeps pipes open, so never pipe wine).
#   wine-run.sh PREFIX SECONDS OUTFILE PROGRAM [ARGS...]
# Standard output goes to OUTFILE, standard error to OUTFILE.err. Exits with the
# program's status (124 on time-out). Stop the prefix's server with wine-stop.sh.
#
# The prefix is 64-bit and runs both kinds of program. PROGRAM picks the loader:
# a built .exe by the machine in its PE header; a program of the prefix by its
# folder (C:\windows\syswow64\... is 32-bit, anything else 64-bit).
# KESTOR_WINEARCH=win32 makes (and uses) a 32-bit prefix instead, like 32-bit Windows.
set -u
prefix=$1 seconds=$2 outfile=$3
shift 3
# With wine64 installed a new prefix is 64-bit anyway; say so, so that nothing
# depends on which Wine packages happen to be present.
arch=${KESTOR_WINEARCH:-win64}
export WINEARCH=$arch WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
wine32=wine
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

# Prints 32 or 64 for a PE file (the machine field after the "PE\0\0" signature).
pe_bits() {
  local lfanew machine
  lfanew=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$lfanew" ] || return 1
  machine=$(od -An -t x2 -j $((lfanew + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo 32 ;;
    8664) echo 64 ;;
    *) return 1 ;;
  esac
}

program=$1
if [ -f "$program" ]; then
  bits=$(pe_bits "$program") || { echo "$program is not a PE file of a known machine" >&2; exit 126; }
else
  case "${program,,}" in
    *syswow64*) bits=32 ;;
    *) bits=64 ;;
  esac
fi
loader=$wine64
[ "$bits" = 32 ] && loader=$wine32
[ "$arch" = win32 ] && wine64=$wine32 loader=$wine32

mkdir -p "$(dirname "$outfile")"
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  timeout 300 "$wine64" wineboot -i >"$prefix.boot.log" 2>&1 </dev/null || { echo "wineboot failed, see $prefix.boot.log" >&2; exit 125; }
fi
timeout "$seconds" "$loader" "$@" >"$outfile" 2>"$outfile.err" </dev/null
