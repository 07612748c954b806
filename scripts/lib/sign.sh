# Authenticode signing for package.sh; source it. One way to sign is chosen from the
# environment (README, "Deploying"):
#   KESTOR_SIGN_COMMAND    an external command that signs the file it is given in place
#   KESTOR_SIGN_KEY=pkcs11:...  a key on a token or HSM, through KESTOR_SIGN_PKCS11_MODULE
#   KESTOR_SIGN_KEY=FILE   a PEM private key
#   none of them           a throwaway self-signed certificate: test-signing
# KESTOR_SIGN_CERT names the certificate chain in every case but the last. Secrets
# (passphrase, PIN) come from KESTOR_SIGN_PASS_FILE, never from a command line: every
# process's arguments can be read by every user of the machine.

# Checks the settings before anything is built, so a release build fails at once.
# Sets sign_mode: command, pkcs11, pem or test.
sign_settings() {
  local cert=${KESTOR_SIGN_CERT:-} key=${KESTOR_SIGN_KEY:-}
  if [ -n "${KESTOR_SIGN_PASS:-}" ]; then
    echo "KESTOR_SIGN_PASS is no longer read (it put the passphrase on osslsigncode's command line): write the passphrase to a file readable only by you and name it in KESTOR_SIGN_PASS_FILE" >&2
    return 1
  fi
  if [ -n "${KESTOR_SIGN_COMMAND:-}" ]; then
    sign_mode='command'
    [ -z "$key" ] || { echo "KESTOR_SIGN_COMMAND and KESTOR_SIGN_KEY are two ways to sign: give one" >&2; return 1; }
  elif [[ $key == pkcs11:* ]]; then
    sign_mode='pkcs11'
    [ -f "${KESTOR_SIGN_PKCS11_MODULE:-}" ] ||
      { echo "a pkcs11: key needs KESTOR_SIGN_PKCS11_MODULE, the token's PKCS#11 module (a .so file)" >&2; return 1; }
    [[ $key != *pin-value=* ]] ||
      { echo "a PIN in KESTOR_SIGN_KEY ends up on a command line: put it in a file (KESTOR_SIGN_PASS_FILE, or pin-source=file:...)" >&2; return 1; }
  elif [ -n "$key$cert" ]; then
    sign_mode='pem'
    [ -f "$key" ] || { echo "KESTOR_SIGN_KEY must name a readable PEM file or a pkcs11: URI" >&2; return 1; }
  else
    sign_mode='test'
  fi
  if [ "$sign_mode" != test ]; then
    [ -f "$cert" ] || { echo "KESTOR_SIGN_CERT must name the signing certificate's chain (PEM)" >&2; return 1; }
    # Only a time stamp keeps the signature valid after the certificate expires; an
    # external command makes its own (signtool /tr).
    [ "$sign_mode" = command ] || [ -n "${KESTOR_SIGN_TIMESTAMP_URL:-}" ] ||
      { echo "a release signature needs an RFC 3161 time stamp: set KESTOR_SIGN_TIMESTAMP_URL" >&2; return 1; }
  fi
  [ -z "${KESTOR_SIGN_PASS_FILE:-}" ] || [ -r "$KESTOR_SIGN_PASS_FILE" ] ||
    { echo "KESTOR_SIGN_PASS_FILE names no readable file" >&2; return 1; }
}

# Sets sign_cert and sign_key, making the test certificate in WORK when none is given.
#   sign_prepare WORK
sign_prepare() {
  sign_work=$1
  if [ "$sign_mode" != test ]; then
    sign_cert=$KESTOR_SIGN_CERT sign_key=${KESTOR_SIGN_KEY:-}
    return 0
  fi
  sign_cert=$sign_work/test-signing.pem sign_key=$sign_work/test-signing.key
  openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 30 -keyout "$sign_key" -out "$sign_cert" \
    -subj "/O=Kestor project/CN=Kestor TEST SIGNING - NOT TRUSTED" \
    -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" >"$sign_work/openssl.log" 2>&1 ||
    { cat "$sign_work/openssl.log" >&2; return 1; }
  cat >&2 <<'EOF'
################################################################################
#  TEST-SIGNED: no KESTOR_SIGN_CERT/KESTOR_SIGN_KEY given, so everything in     #
#  dist/ is signed with a throwaway self-signed certificate made just now.      #
#  Windows will not trust it. Do not deploy these files as signed releases.     #
################################################################################
EOF
}

# Signs IN into OUT (SHA-256); DESCRIPTION is the name Windows shows for it.
#   sign_file IN OUT DESCRIPTION
sign_file() {
  local in=$1 out=$2 log=$sign_work/sign.log args=()
  if [ "$sign_mode" = command ]; then
    cp "$in" "$out"
    # The command is the administrator's shell text; the file's path goes last.
    bash -c "$KESTOR_SIGN_COMMAND"' "$1"' kestor-sign "$out" </dev/null >"$log" 2>&1 ||
      { cat "$log" >&2; echo "KESTOR_SIGN_COMMAND failed on $out" >&2; return 1; }
    return 0
  fi
  [ "$sign_mode" = pkcs11 ] && args+=(-pkcs11module "$KESTOR_SIGN_PKCS11_MODULE")
  # The passphrase, or the token's PIN, is read from its file by osslsigncode itself.
  [ -n "${KESTOR_SIGN_PASS_FILE:-}" ] && args+=(-readpass "$KESTOR_SIGN_PASS_FILE")
  [ -n "${KESTOR_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$KESTOR_SIGN_TIMESTAMP_URL")
  # The signing time is the one date in a signed file: SOURCE_DATE_EPOCH fixes it.
  [ -n "${SOURCE_DATE_EPOCH:-}" ] && args+=(-time "$SOURCE_DATE_EPOCH")
  # An installer's signature covers its streams' metadata too (MsiDigitalSignatureEx).
  [[ $out == *.msi ]] && args+=(-add-msi-dse)
  # stdin closed: a token that wants a PIN nobody gave fails instead of waiting.
  osslsigncode sign -certs "$sign_cert" -key "$sign_key" "${args[@]}" -h sha256 \
    -n "$3" -in "$in" -out "$out" </dev/null >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}

# The files of FOLDER that carry an Authenticode signature, by content: PE files
# (MZ) and Windows Installer packages (compound files). Every one of them must be signed.
signable_files() {
  local file magic
  while IFS= read -r -d '' file; do
    magic=$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')
    case $magic in 4d5a*|d0cf11e0a1b11ae1) printf '%s\n' "$file" ;; esac
  done < <(find "$1" -type f -print0 | LC_ALL=C sort -z)
}

# FILE's signature verifies against the chain in CAFILE and its RFC 3161 time stamp
# against KESTOR_SIGN_TSA_CAFILE (default: the system's CAs). With STAMP optional, as
# for test-signing, a file without a time stamp passes; one that has a time stamp that
# does not verify never does. osslsigncode's exit status covers the signature only,
# so the time stamp's verdict is read from its report, kept in LOG.
#   sign_verify FILE CAFILE LOG required|optional
sign_verify() {
  local file=$1 cafile=$2 log=$3 stamp=$4 tsa=()
  [ -n "${KESTOR_SIGN_TSA_CAFILE:-}" ] && tsa=(-TSA-CAfile "$KESTOR_SIGN_TSA_CAFILE")
  if ! osslsigncode verify -CAfile "$cafile" "${tsa[@]}" -in "$file" </dev/null >"$log" 2>&1 ||
    ! grep -q '^Signature verification: ok' "$log"; then
    echo "the signature of $file does not verify" >&2; return 1
  fi
  if grep -q '^Timestamp Server Signature verification: ok' "$log" &&
    ! grep -q '^Timestamp Server Signature verification: failed' "$log"; then
    return 0
  fi
  if [ "$stamp" = optional ] && grep -q '^Timestamp is not available' "$log"; then
    return 0
  fi
  echo "the time stamp of $file is missing or does not verify" >&2; return 1
}
