#!/usr/bin/env bash
# Runs one VBScript or JScript test under Wine's cscript and judges it by its
# summary line.
# cscript ends with status 0 even when a script dies on a runtime or parse error,
# so a missing "N passed, 0 failed" line (N > 0) is a failure.
#   run-vbs.sh PREFIX OUTDIR HOST SCRIPT [ARGS...]   (SCRIPT: a .vbs or .js file)
# HOST is the script host as Wine sees it: C:\windows\system32\cscript.exe (64-bit)
# or C:\windows\syswow64\cscript.exe (32-bit).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
source "$root/scripts/lib/windows.sh"
prefix=$1 outdir=$2 host=$3 script=$4
shift 4
language=${script##*.}
name=$(basename "$script" ".$language")
mkdir -p "$outdir"
combined=$outdir/$name.run.$language
# The assertion helpers go in front: neither language has an include.
cat "$here/lib/assert.$language" "$script" >"$combined"

bash "$root/scripts/wine-run.sh" "$prefix" 300 "$outdir/$name.txt" "$host" //nologo "$(windows_path "$combined")" "$@"
status=$?
tr -d '\r' <"$outdir/$name.txt"
summary=$(tr -d '\r' <"$outdir/$name.txt" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1)
if [ "$status" -ne 0 ]; then
  echo "cscript exited with status $status"; cat "$outdir/$name.txt.err"; exit 1
fi
if [ -z "$summary" ]; then
  echo "no summary line: the script ended early"; cat "$outdir/$name.txt.err"; exit 1
fi
case "$summary" in
  0\ passed*) echo "no check ran"; exit 1 ;;
  *" 0 failed") exit 0 ;;
  *) exit 1 ;;
esac
