#!/usr/bin/env bash
# Builds both DLLs and both native messaging hosts and writes the release folder
# (KESTOR_DIST_DIR, default dist/):
#   Kestor-<version>-x64.msi   installer for 64-bit Windows, with both DLLs (wixl)
#   Kestor-<version>-x86.msi   installer for 32-bit Windows only
#   PRODUCTS.txt                each installer's ProductCode and UpgradeCode, the extension's IDs
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
# KESTOR_PACKAGE_VERSION overrides the version read from VERSION.
# KESTOR_URL, when given, is the help and about link in Add/Remove Programs.
# KESTOR_EXTENSION_KEY, KESTOR_EXTENSION_URL, KESTOR_EXTENSION_IDS and KESTOR_FIREFOX_ID (the
# extension's identity, required for a release): see scripts/lib/extension.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${KESTOR_BUILD_DIR:-$root/build}")
dist=$(realpath -m "${KESTOR_DIST_DIR:-$root/dist}")
source "$root/scripts/lib/sign.sh"
source "$root/scripts/lib/extension.sh"
sign_settings
extension_settings

# The PE files each platform ships, from build/release/<platform>/; each is signed
# before any package is built from it.
pe_files=("Kestor.ocx:Kestor.SysKestor" "kestor-host.exe:Kestor browser bridge host")

bash "$root/scripts/build.sh" >/dev/null

# The product version, from VERSION (the builds' version blocks read it too).
version=${KESTOR_PACKAGE_VERSION:-$(cat "$root/VERSION")}
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "the version '$version' is not MAJOR.MINOR.PATCH" >&2; exit 1; }

# dist/ is written afresh; a folder that is neither empty nor an earlier dist/ stays.
if [ -d "$dist" ] && [ -n "$(ls -A "$dist")" ] && [ ! -f "$dist/SHA256SUMS" ]; then
  echo "$dist holds other files; not replacing it" >&2; exit 1
fi
work=$build/package
rm -rf "$work" "$dist"
mkdir -p "$work" "$dist/x86" "$dist/x64" "$dist/samples"
source "$root/scripts/lib/msi.sh"
pack_extension "$root" "$work" "$dist/extension" "$version"

# --- The signing certificate ------------------------------------------------------
sign_prepare "$work"
cp "$sign_cert" "$dist/Kestor-signing.pem"

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
  msi_build "$root" "$platform" "$version" "$dist" "$work/unsigned-$platform.msi"
  sign_file "$work/unsigned-$platform.msi" "$msi" "Kestor $version ($platform)"
done

# Administrators detect and remove the products by these codes (the ProductCode one per
# version, the UpgradeCode fixed per platform).
for platform in x64 x86; do
  msiinfo export "$dist/Kestor-$version-$platform.msi" Property | tr -d '\r' |
    awk -F'\t' -v msi="Kestor-$version-$platform.msi" '
      $1 == "ProductCode" { product = $2 } $1 == "UpgradeCode" { upgrade = $2 }
      END { printf "%s\tProductCode %s\tUpgradeCode %s\n", msi, product, upgrade }'
done >"$dist/PRODUCTS.txt"
printf 'extension/kestor-bridge.crx\tExtensionId %s\tExtensionInstallForcelist %s;%s\n' \
  "$extension_id" "$extension_id" "$extension_update_url" >>"$dist/PRODUCTS.txt"
printf 'extension/kestor-bridge-firefox.zip\tAddonId %s\n' "$extension_firefox_id" >>"$dist/PRODUCTS.txt"
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
