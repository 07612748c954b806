#!/usr/bin/env bash
# Builds both DLLs and both native messaging hosts and writes the release folder
# (KESTOR_DIST_DIR, default dist/):
#   Kestor-<version>-x64.msi   installer for 64-bit Windows, with both DLLs (wixl)
#   Kestor-<version>-x86.msi   installer for 32-bit Windows only
#   PRODUCTS.txt                each installer's ProductCode and UpgradeCode, the extension's ID
#   x86/, x64/                  the DLL, the host and its manifests, for other deployments
#   extension/                  the browser extension (scripts/lib/extension.sh)
#   policy/                     the administrative templates (ADMX/ADML) of the bridge
#   Kestor-signing.pem          the signing certificate's public part
#   page/                       the page library and its npm package (page/build.sh)
#   samples/                    page and script samples
#   SHA256SUMS                  for everything above
# The DLLs, the hosts and the installers are Authenticode-signed (SHA-256, scripts/lib/sign.sh):
# with a PEM key (KESTOR_SIGN_CERT, KESTOR_SIGN_KEY), a key on a token or HSM
# (KESTOR_SIGN_KEY=pkcs11:..., KESTOR_SIGN_PKCS11_MODULE) or an external command
# (KESTOR_SIGN_COMMAND); the passphrase or PIN in KESTOR_SIGN_PASS_FILE; an RFC 3161 time
# stamp from KESTOR_SIGN_TIMESTAMP_URL, required for a release. Without any of them a
# throwaway self-signed test certificate is made and the result is test-signed only.
# KESTOR_PACKAGE_VERSION overrides the version read from the DLL's version block.
# KESTOR_URL, when given, is the help and about link in Add/Remove Programs.
# KESTOR_EXTENSION_KEY and KESTOR_EXTENSION_URL: see scripts/lib/extension.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${KESTOR_BUILD_DIR:-$root/build}")
dist=$(realpath -m "${KESTOR_DIST_DIR:-$root/dist}")
source "$root/scripts/lib/sign.sh"
sign_settings

# The PE files each platform ships, from build/release/<platform>/; each is signed
# before any package is built from it.
pe_files=("Kestor.ocx:Kestor.SysKestor" "kestor-host.exe:Kestor browser bridge host")

bash "$root/scripts/build.sh" >/dev/null

# The product version: the first three fields of the version block (Windows Installer
# compares only those).
version=${KESTOR_PACKAGE_VERSION:-$(sed -n 's/^FILEVERSION \([0-9]*\),\([0-9]*\),\([0-9]*\),.*/\1.\2.\3/p' "$root/host/dll/kestor.rc.in")}
[ -n "$version" ] || { echo "no FILEVERSION in host/dll/kestor.rc.in" >&2; exit 1; }

# dist/ is written afresh; a folder that is neither empty nor an earlier dist/ stays.
if [ -d "$dist" ] && [ -n "$(ls -A "$dist")" ] && [ ! -f "$dist/SHA256SUMS" ]; then
  echo "$dist holds other files; not replacing it" >&2; exit 1
fi
work=$build/package
rm -rf "$work" "$dist"
mkdir -p "$work" "$dist/x86" "$dist/x64" "$dist/samples"
source "$root/scripts/lib/extension.sh"
pack_extension "$root" "$work" "$dist/extension"

# --- The signing certificate ------------------------------------------------------
sign_prepare "$work"
cp "$sign_cert" "$dist/Kestor-signing.pem"

# wixl's MajorUpgrade replaces only older versions, so a rebuilt package of the same
# version would install beside the one it should replace. Its upgrade row is written
# again with the maximum version included (msidbUpgradeAttributesVersionMaxInclusive).
include_same_version_in_upgrade() {
  local code max attributes
  read -r code max attributes < <(msiinfo export "$1" Upgrade | tr -d '\r' |
    awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $1, $3, $5 }')
  [ -n "$code" ] && [ -n "$max" ] || { echo "no upgrade row in $1" >&2; exit 1; }
  msibuild "$1" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$code', '$max', $((attributes | 512)), 'WIX_UPGRADE_DETECTED')" \
    >"$work/msibuild.log" 2>&1 || { cat "$work/msibuild.log" >&2; exit 1; }
}

# The file version in a PE file's version block (VS_FIXEDFILEINFO, after its signature
# 0xFEEF04BD), as a.b.c.d.
pe_file_version() {
  local offset ms ls
  offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -n 1 | cut -d: -f1)
  [ -n "$offset" ] || { echo "no version block in $1" >&2; return 1; }
  read -r ms ls < <(od -An -t u4 -j $((offset + 8)) -N 8 "$1")
  echo "$((ms >> 16)).$((ms & 65535)).$((ls >> 16)).$((ls & 65535))"
}

# What wixl leaves out of a package, written into its tables:
# - each file's version and language (the version block's, United States English), and
#   no MsiFileHash row: the installer compares versioned files by version on repair and
#   upgrade, and keeps hashes for unversioned files only;
# - ARPINSTALLLOCATION set once the folders are known (wixl cannot sequence it);
# - the help and about links, when KESTOR_URL is given.
msi_tables() {  # msi_tables MSI DIR PLATFORM (DIR holds the files, as wixl was given them)
  local msi=$1 dir=$2 platform=$3 queries=() id file path
  while IFS=$'\t' read -r id file; do
    case $id in
      Kestor64) path=x64/Kestor.ocx ;;
      Kestor32) path=x86/Kestor.ocx ;;
      Host) path=$platform/kestor-host.exe ;;
      *) continue ;;  # unversioned (the manifests): they keep their hash
    esac
    # (One DELETE per row: libmsi's DELETE without WHERE leaves rows behind.)
    queries+=(-q "UPDATE \`File\` SET \`Version\` = '$(pe_file_version "$dir/$path")', \`Language\` = '1033' WHERE \`File\` = '$id'"
      -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '$id'")
  done < <(msiinfo export "$msi" File | tr -d '\r' | tail -n +4 | cut -f1,3)
  queries+=(-q "UPDATE \`CustomAction\` SET \`Type\` = 51 WHERE \`Action\` = 'SetArpInstallLocation'"
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SetArpInstallLocation', 1001)")
  if [ -n "${KESTOR_URL:-}" ]; then
    queries+=(-q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ARPURLINFOABOUT', '${KESTOR_URL//\'/\'\'}')"
      -q "INSERT INTO \`Property\` (\`Property\`, \`Value\`) VALUES ('ARPHELPLINK', '${KESTOR_URL//\'/\'\'}')")
  fi
  msibuild "$msi" "${queries[@]}" >"$work/msibuild.log" 2>&1 || { cat "$work/msibuild.log" >&2; exit 1; }
}

# --- DLLs and installers ----------------------------------------------------------
# Every PE file is signed first, the packages are built from the signed files, and
# then signed themselves.
for platform in x86 x64; do
  for pe in "${pe_files[@]}"; do
    sign_file "$build/release/$platform/${pe%%:*}" "$dist/$platform/${pe%%:*}" "${pe#*:} ($platform)"
  done
done
for platform in x86 x64; do
  cp "$work"/kestor.bridge.*.json "$dist/$platform/"
  msi=$dist/Kestor-$version-$platform.msi
  files=(-D Dll32=x86/Kestor.ocx -D Host="$platform/kestor-host.exe"
    -D ChromeManifest="$platform/kestor.bridge.chrome.json" -D FirefoxManifest="$platform/kestor.bridge.firefox.json")
  [ "$platform" = x64 ] && files+=(-D Dll64=x64/Kestor.ocx)
  # wixl takes the files' paths relative to where it runs.
  (cd "$dist" && wixl -a "$platform" -D Platform="$platform" -D Version="$version" "${files[@]}" \
    -o "$work/unsigned-$platform.msi" "$root/packaging/Kestor.wxs") >"$work/wixl-$platform.log" 2>&1 ||
    { cat "$work/wixl-$platform.log" >&2; exit 1; }
  include_same_version_in_upgrade "$work/unsigned-$platform.msi"
  msi_tables "$work/unsigned-$platform.msi" "$dist" "$platform"
  sign_file "$work/unsigned-$platform.msi" "$msi" "Kestor $version ($platform)"
done

# Administrators detect and remove the products by these codes (the ProductCode is new
# with every build, the UpgradeCode fixed per platform).
for platform in x64 x86; do
  msiinfo export "$dist/Kestor-$version-$platform.msi" Property | tr -d '\r' |
    awk -F'\t' -v msi="Kestor-$version-$platform.msi" '
      $1 == "ProductCode" { product = $2 } $1 == "UpgradeCode" { upgrade = $2 }
      END { printf "%s\tProductCode %s\tUpgradeCode %s\n", msi, product, upgrade }'
done >"$dist/PRODUCTS.txt"
printf 'extension/kestor-bridge.crx\tExtensionId %s\tExtensionInstallForcelist %s;%s\n' \
  "$extension_id" "$extension_id" "$extension_update_url" >>"$dist/PRODUCTS.txt"
cp -r "$root/packaging/policy" "$dist/policy"

cp "$root"/samples/* "$dist/samples/"
bash "$root/page/build.sh" "$dist/page" >/dev/null
(cd "$dist" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)

# Every signed file must verify against the certificate shipped beside it, and its time
# stamp too unless test-signed.
stamp=required
[ "$sign_mode" = test ] && stamp=optional
while IFS= read -r file; do
  sign_verify "$file" "$dist/Kestor-signing.pem" "$work/verify.log" "$stamp" || { cat "$work/verify.log" >&2; exit 1; }
done < <(signable_files "$dist")
echo "dist: $dist"
(cd "$dist" && cat SHA256SUMS)
