#!/usr/bin/env bash
# Runs a command-line sample (samples/inventory.vbs, .js or collect.js) under Wine's cscript with
# a query list of one good and one failing query, and checks what it printed.
#   run-inventory-sample.sh PREFIX OUTDIR HOST SAMPLE
# HOST is the script host as Wine sees it (see run-vbs.sh).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
source "$root/scripts/lib/windows.sh"
prefix=$1 outdir=$2 host=$3 sample=$4
out=$outdir/$(basename "$sample").txt
mkdir -p "$outdir"
bash "$root/scripts/wine-run.sh" "$prefix" 300 "$out" "$host" //nologo "$(windows_path "$sample")" \
  "SELECT Name, NumberOfCores FROM Win32_Processor|SELECT Name|"
status=$?
tr -d '\r' <"$out"
[ "$status" -eq 0 ] || { echo "the sample ended with status $status"; cat "$out.err"; exit 1; }
fileId='^File id: \{[0-9A-F-]{36}\}$'
case "$sample" in
  *collect.js) expected=('"class":"Win32_Processor"' '"NumberOfCores":[0-9]+' '"query":"SELECT Name",.*"error":\{"number":-?[0-9]+') ;;
  *.vbs) expected=("$fileId" '^\[class=Win32_Processor\]$' '^\[pname\]=NumberOfCores$' '^\[ERROR\]=Error executing SELECT Name:-[0-9]+:') ;;
  *.js)  expected=("$fileId" '^Win32_Processor: [1-9][0-9]* instance\(s\)$' '^    NumberOfCores = [0-9]+$' '^  error: Error executing SELECT Name:-[0-9]+:') ;;
esac
failed=0
for line in "${expected[@]}"; do
  tr -d '\r' <"$out" | grep -Eq "$line" || { echo "missing a line like: $line"; failed=1; }
done
exit "$failed"
