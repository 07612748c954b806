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
#   4. the File tables give each versioned file its version; the packages carry no
#      [#file] in registry values, remove the old product after InstallInitialize, and
#      have one ProductCode per version and the same bytes when built twice; the
#      extension keeps one ID across versions, named with the store IDs in the host's
#      manifests, carries the product's version, and its Firefox copy passes web-ext lint;
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

# The extension's identity a release must give, with a key made now; then the ways to
# sign, as package.sh's environment.
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$release/extension.pem" 2>/dev/null
store_ids="aaaabbbbccccddddeeeeffffgggghhhh,ppppoooonnnnmmmmllllkkkkjjjjiiii"
identity=(KESTOR_EXTENSION_KEY="$release/extension.pem" KESTOR_EXTENSION_URL=https://kestor.example/extension
  KESTOR_FIREFOX_ID=kestor@example.org KESTOR_EXTENSION_IDS="$store_ids")
way_pkcs11=(SOFTHSM2_CONF="$pki/softhsm2.conf" KESTOR_SIGN_CERT="$pki/chain.pem" KESTOR_SIGN_KEY="$pkcs11_key"
  KESTOR_SIGN_PKCS11_MODULE="$pkcs11_module" KESTOR_SIGN_PASS_FILE="$pki/pin" KESTOR_SIGN_TIMESTAMP_URL="$tsa_url" "${identity[@]}")
way_pem=(KESTOR_SIGN_CERT="$pki/chain.pem" KESTOR_SIGN_KEY="$pki/signer.key" KESTOR_SIGN_PASS_FILE="$pki/passphrase"
  KESTOR_SIGN_TIMESTAMP_URL="$tsa_url" "${identity[@]}")
way_command=(KESTOR_SIGN_CERT="$pki/chain.pem"
  KESTOR_SIGN_COMMAND="bash $(printf %q "$here/sign-command.sh") $(printf %q "$pki") $tsa_url" "${identity[@]}")
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
# A release without the extension's key, address or Firefox ID would ship a random identity.
refused $LINENO "KESTOR_EXTENSION_KEY" "${way_pem[@]}" KESTOR_EXTENSION_KEY=
refused $LINENO "KESTOR_EXTENSION_URL" "${way_pem[@]}" KESTOR_EXTENSION_URL=
refused $LINENO "KESTOR_FIREFOX_ID" "${way_command[@]}" KESTOR_FIREFOX_ID=

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

echo "-- The packages: registry values, upgrade sequence, ProductCode, same bytes twice --"
for msi in "$dist"/*.msi; do
  read -r init remove files < <(msiinfo export "$msi" InstallExecuteSequence | tr -d '\r' | awk -F'\t' '{ s[$1] = $3 }
    END { print s["InstallInitialize"], s["RemoveExistingProducts"], s["InstallFiles"] }')
  hashes=$(msiinfo export "$msi" Registry | grep -c '\[#')
  echo "${msi##*/}: $hashes registry values with [#file]; InstallInitialize $init, RemoveExistingProducts $remove, InstallFiles $files"
  [ "$hashes" -eq 0 ] && [ "$init" -lt "$remove" ] && [ "$remove" -lt "$files" ] || { echo "FAIL: ${msi##*/}"; failed=1; }
done
codes() { grep -o 'ProductCode {[^}]*}' "$release/$1/PRODUCTS.txt" | tr '\n' ' '; }
echo "dist: $(codes dist); dist-rebuild: $(codes dist-rebuild); dist-next: $(codes dist-next)"
[ "$(codes dist)" = "$(codes dist-rebuild)" ] && [ "$(codes dist)" != "$(codes dist-next)" ] ||
  { echo "FAIL: not one ProductCode per version"; failed=1; }
(source "$root/scripts/lib/msi.sh"; work=$release; for n in 1 2; do msi_build "$root" x64 "$version" "$dist" "$release/twice-$n.msi"; sleep 1; done)
sha256sum "$release"/twice-*.msi
cmp -s "$release"/twice-{1,2}.msi || { echo "FAIL: two builds of one package differ"; failed=1; }

echo "-- The extension: one ID across versions, in the .crx, update.xml and the host's manifests --"
! grep -q '"key"' "$root/extension/manifest.json" || { echo "FAIL: extension/manifest.json pins a key"; failed=1; }
for pair in dist:$version dist-next:$next; do
  IFS=: read -r name product <<<"$pair"
  crx=$release/$name/extension/kestor-bridge.crx
  # The CRX3 header's signed data (field 10000) holds the 16-byte ID the browser checks.
  offset=$(LC_ALL=C grep -obUaP '\x82\xf1\x04\x12' "$crx" | head -n 1 | cut -d: -f1)
  crx_id=$(od -An -tx1 -j $((${offset:-0} + 6)) -N 16 "$crx" | tr -d ' \n' | tr 0-9a-f a-p)
  allowed=$(node -p 'process.argv.slice(1).map((f) => require(f).allowed_origins.join(" ")).join(" | ")' \
    "$release/$name"/x{64,86}/kestor.bridge.chrome.json)
  echo "$name: crx ID $crx_id; $(grep -o "<updatecheck.*" "$release/$name/extension/update.xml"); host manifests: $allowed"
  want="chrome-extension://${first_id:=$crx_id}/ chrome-extension://${store_ids/,//\ chrome-extension:\/\/}/"
  [ "$crx_id" = "$first_id" ] && [ "$allowed" = "$want | $want" ] && grep -q "$crx_id" "$release/$name/PRODUCTS.txt" &&
    grep -q "appid='$crx_id'.*version='$product'" <(tr -d '\n' <"$release/$name/extension/update.xml") ||
    { echo "FAIL: $name: the extension's IDs or version"; failed=1; }
done
unzip -q -o "$dist/extension/kestor-bridge-firefox.zip" -d "$release/firefox"
firefox=$(node -p 'const m = require(process.argv[1]), g = m.browser_specific_settings.gecko; [m.version, g.id,
  g.strict_min_version, JSON.stringify(g.data_collection_permissions), m.permissions].join(" ")' "$release/firefox/manifest.json")
echo "kestor-bridge-firefox.zip: version, ID, minimum, data collection, permissions: $firefox"
[ "$firefox" = "$version kestor@example.org 128.0 {\"required\":[\"none\"]} nativeMessaging" ] &&
  [ "$(grep -l -F '"kestor@example.org"' "$dist"/x*/kestor.bridge.firefox.json | wc -l)" -eq 2 ] || { echo "FAIL: Firefox's manifests"; failed=1; }
(cd "$here" && npm ci --no-audit --no-fund >"$release/web-ext.txt" 2>&1 &&
  node_modules/.bin/web-ext lint --source-dir "$release/firefox" --no-config-discovery >>"$release/web-ext.txt" 2>&1) ||
  { cat "$release/web-ext.txt"; echo "FAIL: web-ext lint"; failed=1; }
echo "web-ext lint: $(grep -E '^(errors|notices|warnings) ' "$release/web-ext.txt" | tr -s ' \n' ' ')"

echo "-- Installers under Wine --"
bash "$here/install-test.sh" "$dist" "$release/msi-prefix" "$release/dist-rebuild/Kestor-$version-x64.msi" \
  "$release/dist-next/Kestor-$next-x64.msi" "$url" || failed=1
exit "$failed"
