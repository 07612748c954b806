#!/usr/bin/env bash
# The two installers in a fresh 64-bit Wine prefix, as an administrator would use them:
# install both quietly, take an inventory by ProgID from the 64-bit and the 32-bit
# script host, uninstall both, and check that creation then fails and that no file
# or registry key of Kestor is left. With REBUILD (the x86 package built again, same
# version) and NEWER (an x86 package of a later version) it also checks that each
# replaces the installed one and that the older one then refuses to install.
#   install-test.sh DIST PREFIX [REBUILD NEWER]
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dist=$1 prefix=$2 rebuild=${3:-} newer=${4:-}
out=$prefix.out
run() { bash "$root/scripts/wine-run.sh" "$prefix" 300 "$@"; }
source "$root/scripts/lib/windows.sh"

rm -rf "$prefix" "$out"
mkdir -p "$out"
trap 'bash "$root/scripts/wine-stop.sh" "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

msis=("$dist"/Kestor-*-x86.msi "$dist"/Kestor-*-x64.msi)
[ -f "${msis[0]}" ] && [ -f "${msis[1]}" ] || { echo "FAIL: no installers in $dist"; exit 1; }
hosts=('C:\windows\system32\cscript.exe' 'C:\windows\syswow64\cscript.exe')  # 64-bit, 32-bit
sample=$(windows_path "$dist/samples/inventory.vbs")
query='SELECT Name, NumberOfCores FROM Win32_Processor|'

# Installs (/i) or uninstalls (/x) every package quietly; each must succeed.
msiexec_each() {
  local action=$1 msi status
  for msi in "${msis[@]}"; do
    run "$out/msiexec-${action#/}-$(basename "$msi").txt" msiexec "$action" "$(windows_path "$msi")" /qn
    status=$?
    echo "msiexec $action $(basename "$msi") /qn: status $status"
    [ "$status" -eq 0 ] || fail "msiexec $action $(basename "$msi")"
  done
}

msiexec_each /i
for dir in "Program Files/Kestor" "Program Files (x86)/Kestor"; do
  [ -f "$prefix/drive_c/$dir/Kestor.ocx" ] && echo "installed: C:\\${dir//\//\\}\\Kestor.ocx" || fail "no C:\\$dir\\Kestor.ocx"
done

# Each host reaches the DLL of its own bitness through the installed registration.
for index in 0 1; do
  host=${hosts[$index]} name=cscript-$index
  run "$out/$name.txt" "$host" //nologo "$sample" "$query"
  status=$?
  tr -d '\r' <"$out/$name.txt" | sed -n '1,3s/^/  /p'
  if [ "$status" -eq 0 ] && tr -d '\r' <"$out/$name.txt" | grep -q '^\[pname\]=NumberOfCores$'; then
    echo "$host: inventory taken"
  else
    fail "$host: no inventory (status $status)"
  fi
done

msiexec_each /x

# The products under a name in the list of installed programs (wine-stop writes the
# registry files).
installed_products() {
  bash "$root/scripts/wine-stop.sh" "$prefix"
  awk -v name="\"DisplayName\"=\"$1\"" '
    /^\[/ { uninstall = index($0, "\\\\CurrentVersion\\\\Uninstall\\\\") > 0 }
    uninstall && $0 == name { count++ }
    END { print count + 0 }' "$prefix/system.reg"
}

if [ -n "$newer" ]; then
  older=${msis[0]}
  for msi in "$older" "$rebuild" "$newer"; do
    run "$out/upgrade.txt" msiexec /i "$(windows_path "$msi")" /qn
    status=$?
    count=$(installed_products 'Kestor (x86)')
    echo "msiexec /i ${msi#"$(dirname "$(dirname "$msi")")"/} /qn: status $status, products named Kestor (x86): $count"
    [ "$status" -eq 0 ] && [ "$count" -eq 1 ] || fail "$(basename "$msi") did not replace the installed package"
  done
  run "$out/downgrade.txt" msiexec /i "$(windows_path "$older")" /qn
  status=$?
  echo "msiexec /i $(basename "$older") /qn over the newer: status $status"
  [ "$status" -ne 0 ] || fail "the older package installed over the newer one"
  run "$out/upgraded.txt" "${hosts[1]}" //nologo "$sample" "$query"
  tr -d '\r' <"$out/upgraded.txt" | grep -q '^\[pname\]=NumberOfCores$' &&
    echo "${hosts[1]}: inventory taken after the upgrade" || fail "no inventory after the upgrade"
  run "$out/uninstall-newer.txt" msiexec /x "$(windows_path "$newer")" /qn
  status=$?
  echo "msiexec /x $(basename "$newer") /qn: status $status"
  [ "$status" -eq 0 ] || fail "uninstalling $(basename "$newer")"
fi

# Afterwards: the sample says the component cannot be created (its status 2).
for host in "${hosts[@]}"; do
  run "$out/after.txt" "$host" //nologo "$sample" "$query"
  status=$?
  if [ "$status" -eq 2 ]; then
    echo "$host after uninstall: $(tr -d '\r' <"$out/after.txt" | head -n 1)"
  else
    fail "$host still creates the object after uninstall (status $status)"
  fi
done

# No file, and no trace in the registry: the class, library, interface and ProgID in
# either view, nor the installer's record of the products.
bash "$root/scripts/wine-stop.sh" "$prefix"  # writes the registry files
left=$(find "$prefix/drive_c" -iname '*kestor*' 2>/dev/null)
[ -z "$left" ] && echo "files left: none" || fail "files left: $left"
pattern='kestor|3BA3B159-7533-4F96-A2CE-EE5894BBD3D5|BDD5AF6F-426A-4CA1-8864-8CB6E2A5C5EC|80385AA9-9B31-4140-ABD4-E7F5DBC7F342'
keys=$(grep -i -E "$pattern" "$prefix"/system.reg "$prefix"/user.reg "$prefix"/userdef.reg 2>/dev/null)
[ -z "$keys" ] && echo "registry entries left: none" || fail "registry entries left:"$'\n'"$keys"

[ "$failed" -eq 0 ] && echo "install test: passed" || echo "install test: FAILED (outputs in $out)"
exit "$failed"
