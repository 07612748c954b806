#!/usr/bin/env bash
# What the release needs, checked after the test build:
#   1. scripts/package.sh in a folder of its own builds the DLLs again, later and
#      elsewhere, and they are byte-identical to the test build's;
#   2. every signed file in its dist/ verifies against the certificate shipped there,
#      the File tables give each versioned file its version, and the extension's IDs
#      agree with the host's manifests;
#   3. the installers install, serve both script hosts and uninstall cleanly, and a
#      newer package replaces an older one (install-test.sh).
#   check.sh BUILD   (BUILD holds the test build's win32/ and win64/)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
release=$build/release-check
dist=$release/dist

rm -rf "$release"
mkdir -p "$release"
KESTOR_BUILD_DIR=$release KESTOR_DIST_DIR=$dist bash "$root/scripts/package.sh" >"$release/package.log" 2>&1 ||
  { cat "$release/package.log"; echo "FAIL: package.sh"; exit 1; }
grep -q 'TEST-SIGNED' "$release/package.log" && echo "package.sh: test-signed (no KESTOR_SIGN_CERT/KESTOR_SIGN_KEY)"

failed=0
echo "-- Two builds of one commit, in $build and in $release --"
for pair in win32:x86 win64:x64; do
  IFS=: read -r folder platform <<<"$pair"
  first=$build/$folder/host/Kestor.ocx second=$release/release/$platform/Kestor.ocx
  sha256sum "$first" "$second"
  cmp -s "$first" "$second" || { echo "FAIL: the two $platform builds differ"; failed=1; }
done

echo "-- Signatures, checked with the shipped certificate --"
for file in "$dist"/x86/Kestor.ocx "$dist"/x64/Kestor.ocx "$dist"/x86/kestor-host.exe "$dist"/x64/kestor-host.exe \
    "$dist"/*.msi; do
  if osslsigncode verify -CAfile "$dist/Kestor-signing.pem" -in "$file" >"$release/verify.txt" 2>&1; then
    echo "${file#"$dist"/}: $(grep -E '^(Message digest algorithm:|Signature verification|Number of verified signatures)' "$release/verify.txt" | tr '\n' ' ')"
  else
    cat "$release/verify.txt"; echo "FAIL: ${file#"$dist"/} does not verify"; failed=1
  fi
done
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) && echo "SHA256SUMS: every file matches" ||
  { echo "FAIL: SHA256SUMS"; failed=1; }

echo "-- File tables: programs with their version and language and no hash, other files with a hash --"
file_version=$(sed -n 's/^FILEVERSION \([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1.\2.\3.\4/p' "$root/host/kestor.rc.in")
for msi in "$dist"/*.msi; do
  rows=$(msiinfo export "$msi" File | tr -d '\r' | tail -n +4)
  hashed=$(msiinfo export "$msi" MsiFileHash | tr -d '\r' | tail -n +4 | cut -f1 | tr '\n' ' ')
  sed "s|^|${msi##*/}: |" <<<"$rows"
  echo "${msi##*/}: MsiFileHash rows: ${hashed:-none}"
  wrong=$(awk -F'\t' -v version="$file_version" -v hashed=" $hashed" '
    { program = ($3 ~ /\.(ocx|exe)$/); has_hash = index(hashed, " " $1 " ") > 0 }
    program && ($5 != version || $6 != "1033" || has_hash) { print $3 " (a program)" }
    !program && ($5 != "" || !has_hash) { print $3 " (not a program)" }' <<<"$rows")
  [ -z "$wrong" ] || { echo "FAIL: ${msi##*/}: wrong version, language or hash for "$wrong; failed=1; }
done

echo "-- The extension: one ID in the .crx, the update manifest and the host's manifests --"
crx=$dist/extension/kestor-bridge.crx
# The CRX3 header's signed data (field 10000) holds the 16-byte ID the browser checks.
offset=$(LC_ALL=C grep -obUaP '\x82\xf1\x04\x12' "$crx" | head -n 1 | cut -d: -f1)
crx_id=$(od -An -tx1 -j $((${offset:-0} + 6)) -N 16 "$crx" | tr -d ' \n' | tr 0-9a-f a-p)
echo "kestor-bridge.crx: ID $crx_id"
for file in extension/update.xml x64/kestor.bridge.chrome.json x86/kestor.bridge.chrome.json PRODUCTS.txt; do
  grep -q "$crx_id" "$dist/$file" || { echo "FAIL: $file does not name $crx_id"; failed=1; }
done
gecko=$(unzip -p "$dist/extension/kestor-bridge-firefox.zip" manifest.json | node -e \
  'console.log(JSON.parse(require("fs").readFileSync(0, "utf8")).browser_specific_settings.gecko.id)')
echo "kestor-bridge-firefox.zip: ID $gecko"
for file in x64/kestor.bridge.firefox.json x86/kestor.bridge.firefox.json; do
  grep -q -F "\"$gecko\"" "$dist/$file" || { echo "FAIL: $file does not allow $gecko"; failed=1; }
done

echo "-- Installers under Wine --"
# The packages built again, and for the next version: each must replace the installed one.
version=$(basename "$dist"/Kestor-*-x86.msi -x86.msi)
version=${version#Kestor-}
next=${version%.*}.$((${version##*.} + 1))
# The next one with the links an administrator sees in Add/Remove Programs.
url=https://kestor.example/help
for pair in rebuild:$version next:$next; do
  IFS=: read -r name package_version <<<"$pair"
  KESTOR_BUILD_DIR=$release KESTOR_DIST_DIR=$release/dist-$name KESTOR_PACKAGE_VERSION=$package_version \
    KESTOR_URL=$([ "$name" = next ] && echo "$url") bash "$root/scripts/package.sh" >"$release/package-$name.log" 2>&1 ||
    { cat "$release/package-$name.log"; echo "FAIL: package.sh ($name, $package_version)"; exit 1; }
done
bash "$here/install-test.sh" "$dist" "$release/msi-prefix" "$release/dist-rebuild/Kestor-$version-x64.msi" \
  "$release/dist-next/Kestor-$next-x64.msi" "$url" || failed=1
exit "$failed"
