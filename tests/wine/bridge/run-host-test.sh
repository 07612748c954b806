#!/usr/bin/env bash
# Runs the host's Wine tests and kestor-host.exe --policy once per state of the machine
# policy, and puts the prefix's policy keys back as they were.
#   run-host-test.sh WINE_RUN RUN_GTEST PREFIX OUTDIR TEST_EXE HOST_EXE
set -u
run=$1 gtest=$2 prefix=$3 out=$4 exe=$5 host=$6
mkdir -p "$out"
source "$(dirname "$0")/../../../scripts/lib/windows.sh"
policy=$kestor_policy_key
# Each place a list could be read from: the machine's key (the real one; Policies is
# shared by the 32-bit and the 64-bit view), and the user's own, which the host must
# not read.
places=("HKLM\\$policy /reg:64" "HKCU\\$policy /reg:64")

reg() { bash "$run" "$prefix" 60 "$out/reg.txt" reg "$@"; }

for i in "${!places[@]}"; do
  read -r key view <<<"${places[$i]}"
  rm -f "$out/saved-$i.reg"
  if reg query "$key" "$view"; then reg export "$key" "$(windows_path "$out/saved-$i.reg")" "$view" /y || exit 1; fi
done
restore() {
  for i in "${!places[@]}"; do
    read -r key view <<<"${places[$i]}"
    reg delete "$key" /f "$view"
    [ -f "$out/saved-$i.reg" ] && reg import "$(windows_path "$out/saved-$i.reg")" "$view"
  done
}
trap restore EXIT

phase() {
  echo "== policy $1: $2"
  bash "$gtest" "$run" "$prefix" 600 "$out/$1.txt" "$exe" --gtest_filter="$2"
}
# Wine's reg.exe has been seen to fail once in a long run with nothing wrong: say so and
# try again before giving up.
set_value() {
  reg add "$1" /v "$2" /t REG_SZ /d "$3" /f "$4" && return
  echo "reg add $1 $2 failed: $(cat "$out/reg.txt" "$out/reg.txt.err"); trying again"
  reg add "$1" /v "$2" /t REG_SZ /d "$3" /f "$4" || { echo "FAIL: reg add $1 $2"; exit 1; }
}
# policy STATUS [EXPECTED]: --policy exits with STATUS and prints the file EXPECTED.
policy() {
  bash "$run" "$prefix" 60 "$out/policy.txt" "$host" --policy
  [ $? -eq "$1" ] || { echo "FAIL: --policy did not exit with $1"; status=1; }
  [ -z "${2:-}" ] || tr -d '\r' <"$out/policy.txt" | diff "$2" - || { echo "FAIL: --policy printed otherwise"; status=1; }
}
status=0
for i in "${!places[@]}"; do
  read -r key view <<<"${places[$i]}"
  reg delete "$key" /f "$view"
done
phase missing 'RefusedHost.*' || status=1
policy 1
reg add "HKLM\\$policy" /f /reg:64 || { echo "FAIL: reg add HKLM\\$policy: $(cat "$out/reg.txt")"; exit 1; }
phase empty 'RefusedHost.*' || status=1
policy 1
# NAME|TEXT (what --policy prints for them: policy-listed.txt)
rows=('1|https://inv.example.com' '2|http://localhost:8080' '3|https://Bad.example.com/' '4|https://*.example.com'
  '5|https://inv.example.com/kestor' '6|http://intranet' 'extra|https://named.example.com')
for row in "${rows[@]}"; do set_value "HKLM\\$policy" "${row%%|*}" "${row#*|}" /reg:64; done
set_value "HKCU\\$policy" 1 https://user.example.com /reg:64
phase listed 'ServedHost.*' || status=1
policy 0 "$(dirname "$0")/policy-listed.txt"
exit $status
