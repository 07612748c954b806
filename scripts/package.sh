#!/usr/bin/env bash
# Builds both DLLs and hosts and writes the release folder (KESTOR_DIST_DIR, default dist/):
#   Kestor-<version>-x86.msi, Kestor-<version>-x64.msi   installers (wixl)
#   x86/Kestor.ocx, x64/Kestor.ocx                        the DLLs, for other deployments
#   x86/kestor-host.exe, x64/kestor-host.exe              the browser bridge's native host
#   Kestor-signing.pem                                    the signing certificate's public part
#   samples/                                              page and script samples
#   SHA256SUMS                                            for everything above
# The DLLs, the hosts and the installers are Authenticode-signed (SHA-256, scripts/lib/sign.sh):
# with a PEM key (KESTOR_SIGN_CERT, KESTOR_SIGN_KEY), a key on a token or HSM
# (KESTOR_SIGN_KEY=pkcs11:..., KESTOR_SIGN_PKCS11_MODULE) or an external command
# (KESTOR_SIGN_COMMAND); the passphrase or PIN in KESTOR_SIGN_PASS_FILE; an RFC 3161 time
# stamp from KESTOR_SIGN_TIMESTAMP_URL, required for a release. Without any of them a
# throwaway self-signed test certificate is made and the result is test-signed only.
# KESTOR_PACKAGE_VERSION overrides the version read from the DLL's version block.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTOR_BUILD_DIR:-$root/build}
dist=${KESTOR_DIST_DIR:-$root/dist}
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

# --- DLLs and installers ----------------------------------------------------------
# Every PE file is signed first, the packages are built from the signed files, and
# then signed themselves.
for platform in x86 x64; do
  for pe in "${pe_files[@]}"; do
    sign_file "$build/release/$platform/${pe%%:*}" "$dist/$platform/${pe%%:*}" "${pe#*:} ($platform)"
  done
done
for platform in x86 x64; do
  msi=$dist/Kestor-$version-$platform.msi
  # wixl takes the file's path relative to where it runs.
  (cd "$dist/$platform" && wixl -a "$platform" -D Platform="$platform" -D Version="$version" -D Dll=Kestor.ocx \
    -o "$work/unsigned-$platform.msi" "$root/packaging/Kestor.wxs") >"$work/wixl-$platform.log" 2>&1 ||
    { cat "$work/wixl-$platform.log" >&2; exit 1; }
  include_same_version_in_upgrade "$work/unsigned-$platform.msi"
  sign_file "$work/unsigned-$platform.msi" "$msi" "Kestor $version ($platform)"
done

cp "$root"/samples/* "$dist/samples/"
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
