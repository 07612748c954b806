#!/usr/bin/env bash
# The installers under Wine, as an administrator would use them, each step quiet (/qn):
#  64-bit prefix: the x86 package refuses to install; the x64 package alone serves the
#    64-bit and the 32-bit script host and its uninstall leaves no file and no key;
#    the layout of 1.1.0 (x64 and x86 packages side by side, built from the fixture)
#    is replaced by the one x64 package; with REBUILD and NEWER (x64 packages of the
#    same and of a later version) the rebuild reinstalls over it (REINSTALL=ALL), NEWER
#    replaces it and the older one is then refused. A per-user installation is refused.
#    (Wine's msiexec runs RemoveExistingProducts at once and rolls back no standard
#    action, so a failed upgrade cannot be tried here: check.sh checks the sequence.)
#  32-bit prefix: the x64 package refuses to install; the x86 package installs, serves
#    the script host, uninstalls clean.
# Each install also brings the browser bridge: the native messaging host of the
# package's bitness, its manifests and the browsers' keys to them.
# The registry lines of Kestor are printed after every install and uninstall.
#   install-test.sh DIST PREFIX [REBUILD NEWER [URL]]   (PREFIX-32 is the 32-bit prefix)
# URL: the link NEWER was built with (KESTOR_URL).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dist=$(realpath -m "$1") prefix64=$(realpath -m "$2") rebuild=${3:-} newer=${4:-} url=${5:-}
prefix32=$prefix64-32
source "$root/scripts/lib/windows.sh"
source "$here/registry.sh"
started=$SECONDS
failed=0
fail() { echo "FAIL: $*"; failed=1; }

x64=$(ls "$dist"/Kestor-*-x64.msi 2>/dev/null) x86=$(ls "$dist"/Kestor-*-x86.msi 2>/dev/null)
[ -f "$x64" ] && [ -f "$x86" ] || { echo "FAIL: no installers in $dist"; exit 1; }
sample=$(windows_path "$dist/samples/inventory.vbs")
query='SELECT Name, NumberOfCores FROM Win32_Processor|'

# Selects the prefix that run, msiexec and the registry helpers work on.
use_prefix() {
  prefix=$1 out=$1.out
  export KESTOR_WINEARCH=$2
  rm -rf "$prefix" "$out" "$prefix.boot.log"
  mkdir -p "$out"
}
run() { bash "$root/scripts/wine-run.sh" "$prefix" 300 "$@"; }
trap 'KESTOR_WINEARCH=win64 bash "$root/scripts/wine-stop.sh" "$prefix64"
      KESTOR_WINEARCH=win32 bash "$root/scripts/wine-stop.sh" "$prefix32"' EXIT

# msiexec ACTION MSI [EXPECTED_STATUS [PROPERTY=VALUE...]]: runs it quietly with a
# verbose log. (A Unix exit status keeps the low 8 bits: msiexec's 1603 arrives as 67.)
step=0
msiexec() {
  local action=$1 msi=$2 expected=${3:-0} name status
  name=$((++step))-$(basename "$msi" .msi)-${action#/}
  run "$out/msiexec-$name.txt" msiexec "$action" "$(windows_path "$msi")" "${@:4}" /qn /l*v "$(windows_path "$out/$name.log")"
  status=$?
  echo "msiexec $action ${msi#"$(dirname "$(dirname "$msi")")"/} ${*:4} /qn: status $status"
  [ "$status" -eq $((expected % 256)) ] || fail "msiexec $action $(basename "$msi"): status $status, expected $expected"
}

# inventory HOST...: each host creates the object by ProgID and takes an inventory.
inventory() {
  local host status name
  for host in "$@"; do
    name=cscript-$(tr -c 'a-z0-9' _ <<<"${host,,}")
    run "$out/$name.txt" "$host" //nologo "$sample" "$query"
    status=$?
    if [ "$status" -eq 0 ] && tr -d '\r' <"$out/$name.txt" | grep -q '^\[pname\]=NumberOfCores$'; then
      echo "$host: inventory taken"
    else
      fail "$host: no inventory (status $status)"
    fi
  done
}

# gone HOST...: after an uninstall nothing of Kestor is left, and creation fails (the
# sample's status 2).
gone() {
  local host status left traces
  for host in "$@"; do
    run "$out/after.txt" "$host" //nologo "$sample" "$query"
    status=$?
    [ "$status" -eq 2 ] && echo "$host: $(tr -d '\r' <"$out/after.txt" | head -n 1)" ||
      fail "$host still creates the object after uninstall (status $status)"
  done
  left=$(find "$prefix/drive_c" -iname '*kestor*' 2>/dev/null)
  [ -z "$left" ] && echo "files left: none" || fail "files left: $left"
  traces=$(registry_traces)
  [ -z "$traces" ] && echo "registry lines naming Kestor (its CLSID, ProgID, LIBID, IID, kestor.bridge): none" ||
    fail "registry entries left:"$'\n'"$traces"
}

# The registration in the registry files, for the record, and the values both views
# must see (64-bit Windows shares them).
show_registration() {
  local lines
  lines=$(registry_values "$kestor_pattern" | grep -v -i -E 'installer.(products|upgradecodes|components|features)|nativemessaginghosts' |
    sed 's/^/  /')
  echo "$lines"
  for needle in 'Classes\Kestor.SysKestor\CLSID @="{3BA3B159-7533-4F96-A2CE-EE5894BBD3D5}"' \
                'Classes\TypeLib\{BDD5AF6F-426A-4CA1-8864-8CB6E2A5C5EC}\2.0 @="Orvanel"' \
                'Classes\TypeLib\{BDD5AF6F-426A-4CA1-8864-8CB6E2A5C5EC}\2.0\FLAGS @="2"'; do
    grep -q -i -F "system Software\\$needle" <<<"$lines" || fail "missing: $needle"
  done
}

# The entry in Add/Remove Programs: no Change button, the folder, the maker, and
# the links when the package was built with KESTOR_URL=URL.
#   show_arp [URL]
show_arp() {
  local values key lines
  values=$(registry_values 'currentversion.uninstall.')
  key=$(grep -F '"DisplayName"="Kestor (' <<<"$values" | cut -d' ' -f2 | head -n 1)
  lines=$(grep -F "system $key " <<<"$values" | grep -E '"(DisplayName|Publisher|InstallLocation|NoModify|URLInfoAbout|HelpLink)"=')
  sed 's/^/  /' <<<"$lines"
  grep -q -F '"NoModify"=dword:00000001' <<<"$lines" || fail "Add/Remove Programs offers Change"
  grep -q -i -F '"InstallLocation"="C:\\Program Files\\Kestor\\"' <<<"$lines" || fail "no InstallLocation"
  grep -q -F '"Publisher"="Kestor project"' <<<"$lines" || fail "no Publisher"
  [ -z "${1:-}" ] || { grep -q -F "\"URLInfoAbout\"=\"$1\"" <<<"$lines" && grep -q -F "\"HelpLink\"=\"$1\"" <<<"$lines"; } ||
    fail "no links to $1"
}

# The browser bridge: each browser's key in each registry view (VIEWS of them) names
# a manifest that is installed, and its host (path relative to it) is installed with
# BITS bits.
#   show_bridge VIEWS BITS
show_bridge() {
  local views=$1 bits=$2 lines browser manifest host lfanew machine
  lines=$(registry_values 'nativemessaginghosts.kestor\.bridge$')
  sed 's/^/  /' <<<"$lines"
  for browser in 'Google\Chrome' 'Microsoft\Edge' 'Mozilla'; do
    [ "$(grep -c -F "$browser\NativeMessagingHosts\kestor.bridge @=" <<<"$lines")" -eq "$views" ] ||
      fail "not $views key(s) for $browser"
  done
  while read -r manifest; do
    manifest=$prefix/drive_c/$(sed 's/^C:\\\\//; s/\\\\/\//g' <<<"$manifest")
    [ -f "$manifest" ] || { fail "no manifest $manifest"; continue; }
    host=$(dirname "$manifest")/$(node -p 'require(process.argv[1]).path' "$manifest")
    lfanew=$(od -An -t u4 -j 60 -N 4 "$host" 2>/dev/null | tr -d ' ')
    machine=$(od -An -t x2 -j $((${lfanew:-0} + 4)) -N 2 "$host" 2>/dev/null | tr -d ' ')
    case $bits:$machine in
      32:014c | 64:8664) ;;
      *) fail "$manifest names $host, not a $bits-bit program" ;;
    esac
  done < <(sed -n 's/.* @="\(.*\)"$/\1/p' <<<"$lines" | sort -u)
  echo "bridge: $(wc -l <<<"$lines") keys, manifests and the $bits-bit host installed"
}

hosts64=('C:\windows\system32\cscript.exe' 'C:\windows\syswow64\cscript.exe')  # 64-bit, 32-bit

echo "-- 64-bit prefix: the x64 package alone --"
use_prefix "$prefix64" win64
msiexec /i "$x86" 1603  # its launch condition
msiexec /i "$x64" 1603 'ALLUSERS=""'  # per user
[ "$(installed_products)" -eq 0 ] || fail "a per-user installation left a product"
msiexec /i "$x64"
for dir in "Program Files/Kestor" "Program Files (x86)/Kestor"; do
  [ -f "$prefix/drive_c/$dir/Kestor.ocx" ] && echo "installed: C:\\${dir//\//\\}\\Kestor.ocx" || fail "no C:\\$dir\\Kestor.ocx"
done
show_registration
show_arp
show_bridge 2 64
inventory "${hosts64[@]}"
msiexec /x "$x64"
gone "${hosts64[@]}"

echo "-- 64-bit prefix: from 1.1.0's two packages to the one x64 package --"
# 1.1.0's packages, from its wxs kept as a fixture, around the DLLs of this build.
mkdir -p "$out/old"
for platform in x86 x64; do
  (cd "$dist/$platform" && wixl -a "$platform" -D Platform="$platform" -D Version=1.1.0 -D Dll=Kestor.ocx \
    -o "$out/old/Kestor-1.1.0-$platform.msi" "$here/fixtures/Kestor-1.1.0.wxs") >"$out/wixl-$platform.txt" 2>&1 ||
    fail "wixl (fixture, $platform): $(cat "$out/wixl-$platform.txt")"
done
msiexec /i "$out/old/Kestor-1.1.0-x64.msi"
msiexec /i "$out/old/Kestor-1.1.0-x86.msi"
echo "products named Kestor before: $(installed_products)"
msiexec /i "$x64"
count=$(installed_products)
echo "products named Kestor after: $count"
[ "$count" -eq 1 ] || fail "the x64 package left $count products"
show_registration
inventory "${hosts64[@]}"
if [ -n "$newer" ]; then
  # A rebuild of the installed version is the same product: it reinstalls.
  msiexec /i "$rebuild" 0 REINSTALL=ALL REINSTALLMODE=vamus
  msiexec /i "$newer"
  count=$(installed_products)
  echo "products named Kestor: $count"
  [ "$count" -eq 1 ] || fail "$(basename "$newer") did not replace the installed package"
  show_arp "$url"
  msiexec /i "$x64" 1603
  inventory "${hosts64[@]}"
  x64=$newer
fi
msiexec /x "$x64"
gone "${hosts64[@]}"

echo "-- 32-bit prefix: the x64 package refused, the x86 package --"
use_prefix "$prefix32" win32
msiexec /i "$x64" 1633  # its platform, x64
msiexec /i "$x86"
[ ! -d "$prefix/drive_c/windows/syswow64" ] || fail "$prefix is not a 32-bit prefix"
show_registration
show_bridge 1 32
inventory 'C:\windows\system32\cscript.exe'
msiexec /x "$x86"
gone 'C:\windows\system32\cscript.exe'

echo "install test: $((SECONDS - started)) s"
[ "$failed" -eq 0 ] && echo "install test: passed" || echo "install test: FAILED (outputs in $prefix64.out, $prefix32.out)"
exit "$failed"
