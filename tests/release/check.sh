#!/usr/bin/env bash
# What the release needs, checked after the test build:
#   1. scripts/package.sh in a folder of its own builds the DLLs again, later and
#      elsewhere, and they are byte-identical to the test build's (compared unsigned: a
#      time stamp makes every signing differ);
#   2. it signs in each way an administrator has: a key on a PKCS#11 token (SoftHSM2),
#      an encrypted PEM key, an external command, the test certificate. Every signed
#      file of each dist/ verifies against the certificate shipped there, and so does
#      its time stamp from a local authority unless test-signed; each package holds the
#      signed DLL; no passphrase or PIN is ever on a command line;
#   3. settings a release must not go out with are refused before anything is built,
#      and the final check refuses a time stamp that is missing or not trusted;
#   4. the File tables give each versioned file its version, and the extension's IDs
#      agree with the host's manifests;
#   5. the installers install, serve both script hosts and uninstall cleanly, and a
#      newer package replaces an older one (install-test.sh).
#   check.sh BUILD   (BUILD holds the test build's win32/ and win64/)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
release=$build/release-check
dist=$release/dist
pki=$release/pki

rm -rf "$release"
mkdir -p "$release/bin"
# Each run below says how it signs; nothing of the caller's may leak in.
unset "${!KESTOR_SIGN_@}"
source "$root/scripts/lib/sign.sh"
source "$here/pki.sh"
pki_make "$pki" || { echo "FAIL: making the test keys"; exit 1; }
tsa_start "$pki" || { echo "FAIL: starting the local time-stamp authority"; exit 1; }
trap tsa_stop EXIT
export KESTOR_SIGN_TSA_CAFILE=$pki/tsa-ca.pem

# osslsigncode runs through a wrapper that keeps its arguments, to look for secrets there.
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\nexec "%s" "$@"\n' \
  "$release/osslsigncode.args" "$(command -v osslsigncode)" >"$release/bin/osslsigncode"
chmod +x "$release/bin/osslsigncode"
export PATH=$release/bin:$PATH

# The ways to sign, as package.sh's environment.
way_pkcs11=(SOFTHSM2_CONF="$pki/softhsm2.conf" KESTOR_SIGN_CERT="$pki/chain.pem" KESTOR_SIGN_KEY="$pkcs11_key"
  KESTOR_SIGN_PKCS11_MODULE="$pkcs11_module" KESTOR_SIGN_PASS_FILE="$pki/pin" KESTOR_SIGN_TIMESTAMP_URL="$tsa_url")
way_pem=(KESTOR_SIGN_CERT="$pki/chain.pem" KESTOR_SIGN_KEY="$pki/signer.key" KESTOR_SIGN_PASS_FILE="$pki/passphrase"
  KESTOR_SIGN_TIMESTAMP_URL="$tsa_url")
way_command=(KESTOR_SIGN_CERT="$pki/chain.pem"
  KESTOR_SIGN_COMMAND="bash $(printf %q "$here/sign-command.sh") $(printf %q "$pki") $tsa_url")
way_test=()
# package.sh into $release/NAME for VERSION (empty: the DLL's), signing the WAY named.
#   package NAME VERSION WAY [VAR=VALUE...]
package() {
  local -n way=way_$3
  env "${way[@]}" "${@:4}" KESTOR_BUILD_DIR="$release" KESTOR_DIST_DIR="$release/$1" KESTOR_PACKAGE_VERSION="$2" \
    bash "$root/scripts/package.sh" >"$release/package-$1.log" 2>&1 ||
    { cat "$release/package-$1.log"; echo "FAIL: package.sh ($1, signing: $3)"; exit 1; }
  if [ "$3" = test ] && ! grep -q 'TEST-SIGNED' "$release/package-$1.log"; then
    echo "FAIL: $1 test-signed without saying so"; exit 1
  fi
}

package dist "" pkcs11
failed=0
echo "-- Two builds of one commit, in $build and in $release --"
for pair in win32:x86:host/Kestor.ocx win64:x64:host/Kestor.ocx \
  win32:x86:host/bridge/kestor-host.exe win64:x64:host/bridge/kestor-host.exe; do
  IFS=: read -r folder platform file <<<"$pair"
  first=$build/$folder/$file second=$release/release/$platform/${file##*/}
  sha256sum "$first" "$second"
  cmp -s "$first" "$second" || { echo "FAIL: the two $platform builds of ${file##*/} differ"; failed=1; }
done

# The packages built again and for the next version (each must replace the installed
# one), and test-signed: each signed in another way.
version=$(basename "$dist"/Kestor-*-x86.msi -x86.msi)
version=${version#Kestor-}
next=${version%.*}.$((${version##*.} + 1))
package dist-rebuild "$version" pem
# The next one with the links an administrator sees in Add/Remove Programs.
url=https://kestor.example/help
package dist-next "$next" command KESTOR_URL="$url"
package dist-test "" test

echo "-- Signatures, checked with the certificate shipped in each dist/ --"
for pair in dist:pkcs11 dist-rebuild:pem dist-next:command dist-test:test; do
  IFS=: read -r name way <<<"$pair"
  stamp=required
  [ "$way" = test ] && stamp=optional
  while IFS= read -r file; do
    if sign_verify "$file" "$release/$name/Kestor-signing.pem" "$release/verify.txt" "$stamp" 2>"$release/verify.err"; then
      echo "${file#"$release"/} ($way): $(grep -E '^(Signature verification:|Timestamp Server Signature verification:|Timestamp is not available)|Timestamp time:' \
        "$release/verify.txt" | tr -s '\t\n' '  ')"
    else
      cat "$release/verify.txt" "$release/verify.err"; echo "FAIL: ${file#"$release"/} ($way)"; failed=1
    fi
  done < <(signable_files "$release/$name")
  (cd "$release/$name" && sha256sum --quiet -c SHA256SUMS) || { echo "FAIL: $name/SHA256SUMS"; failed=1; }
  # The packages are built from the signed files: every PE file in one is a signed file
  # shipped beside it.
  signed=$(signable_files "$release/$name" | grep -v '\.msi$' | tr '\n' '\0' | xargs -0 sha256sum | cut -d' ' -f1)
  for msi in "$release/$name"/*.msi; do
    rm -rf "$release/extracted"
    msiextract -C "$release/extracted" "$msi" >/dev/null ||
      { echo "FAIL: msiextract ${msi#"$release"/}"; failed=1; continue; }
    held=$(signable_files "$release/extracted")
    [ -n "$held" ] || { echo "FAIL: ${msi#"$release"/} holds no PE file"; failed=1; continue; }
    while IFS= read -r file; do
      grep -qx "$(sha256sum "$file" | cut -d' ' -f1)" <<<"$signed" ||
        { echo "FAIL: ${msi#"$release"/} holds ${file#"$release"/extracted/}, not a signed file of $name"; failed=1; }
    done <<<"$held"
  done
done

echo "-- No passphrase or PIN among osslsigncode's arguments --"
echo "$(grep -c -- '-readpass' "$release/osslsigncode.args") calls read the secret from a file"
grep -q -- '-readpass' "$release/osslsigncode.args" || { echo "FAIL: no call read a secret from a file"; failed=1; }
! grep -F -f "$pki/passphrase" -f "$pki/pin" "$release/osslsigncode.args" || { echo "FAIL: a secret on a command line"; failed=1; }

echo "-- Refused before building: settings a release must not go out with --"
# package.sh with these settings stops at once, saying EXPECTED.
#   refused LINE EXPECTED VAR=VALUE...
refused() {
  local line=$1 expected=$2 log=$release/refused.log
  shift 2
  if env "$@" KESTOR_BUILD_DIR="$release/refused" KESTOR_DIST_DIR="$release/refused/dist" \
    bash "$root/scripts/package.sh" >"$log" 2>&1; then
    echo "FAIL (line $line): package.sh went through"; failed=1
  elif ! grep -qF -- "$expected" "$log" || [ -e "$release/refused" ]; then
    cat "$log"; echo "FAIL (line $line): not refused at once for '$expected'"; failed=1
  else
    echo "line $line: $(head -n 1 "$log")"
  fi
}
# Without a time stamp a signature dies with its certificate: PEM key, then token.
refused $LINENO "RFC 3161" "${way_pem[@]:0:3}"
refused $LINENO "RFC 3161" "${way_pkcs11[@]:0:5}"
# The old way to give the passphrase put it on osslsigncode's command line.
refused $LINENO "KESTOR_SIGN_PASS_FILE" "${way_pem[@]}" KESTOR_SIGN_PASS=secret
# So does a PIN written into the key's URI.
refused $LINENO "PIN in KESTOR_SIGN_KEY" "${way_pkcs11[@]}" KESTOR_SIGN_KEY="$pkcs11_key?pin-value=1234"

echo "-- Time stamps the final check refuses --"
osslsigncode sign -certs "$pki/chain.pem" -key "$pki/signer.key" -readpass "$pki/passphrase" -h sha256 \
  -in "$release/release/x86/Kestor.ocx" -out "$release/unstamped.ocx" >"$release/unstamped.log" 2>&1 ||
  { cat "$release/unstamped.log"; echo "FAIL: signing without a time stamp"; exit 1; }
# LINE FILE STAMP TRUSTED-TIME-STAMP-CA PASSES
stamp_rows=(
  "$LINENO $release/unstamped.ocx required $pki/tsa-ca.pem no"  # a release signature without one
  "$LINENO $release/unstamped.ocx optional $pki/tsa-ca.pem yes" # test-signed: none needed
  "$LINENO $dist/x86/Kestor.ocx optional $pki/ca.pem no"        # one from an authority not trusted
)
for row in "${stamp_rows[@]}"; do
  read -r line file stamp tsa_ca passes <<<"$row"
  got=no
  KESTOR_SIGN_TSA_CAFILE=$tsa_ca sign_verify "$file" "$pki/ca.pem" "$release/verify.txt" "$stamp" 2>/dev/null && got=yes
  [ "$got" = "$passes" ] || { echo "FAIL (line $line): ${file#"$release"/} passes: $got, expected $passes"; failed=1; }
done
echo "${#stamp_rows[@]} time-stamp rows checked"

echo "-- File tables: programs with their version and language and no hash, other files with a hash --"
file_version=$(cat "$root/VERSION").0
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
bash "$here/install-test.sh" "$dist" "$release/msi-prefix" "$release/dist-rebuild/Kestor-$version-x64.msi" \
  "$release/dist-next/Kestor-$next-x64.msi" "$url" || failed=1
exit "$failed"
