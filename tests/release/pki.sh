# Throwaway keys for the release check; source it.
#   pki_make DIR    makes in DIR:
#     chain.pem            code-signing certificate and its CA (what KESTOR_SIGN_CERT names)
#     ca.pem               that CA alone
#     signer.key           the signing key, encrypted with the passphrase in passphrase
#     softhsm2.conf        a SoftHSM2 token holding the same key (PIN in pin), at
#                          pkcs11_key (a pkcs11: URI) through pkcs11_module
#     tsa-ca.pem, tsa.cnf  a time-stamp authority for `openssl ts -reply`
#   tsa_start DIR   serves that authority on 127.0.0.1 (node tsa.js); sets tsa_url
#   tsa_stop        ends it
pkcs11_module=/usr/lib/softhsm/libsofthsm2.so
pkcs11_key='pkcs11:token=kestor-test;object=signer;type=private'

# A certificate for KEY signed by CA (ISSUER and its key), with the extensions given.
#   pki_cert DIR NAME SUBJECT ISSUER EXTENSIONS
pki_cert() {
  openssl req -new -key "$1/$2.plain" -subj "$3" -out "$1/$2.csr" &&
    openssl x509 -req -in "$1/$2.csr" -CA "$1/$4.pem" -CAkey "$1/$4.plain" -days 2 -sha256 \
      -extfile <(printf '%b' "$5") -out "$1/$2.pem"
}

pki_make() {
  local dir=$1 name
  mkdir -p "$dir/tokens"
  {
    for name in ca signer tsa-ca tsa; do
      openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$dir/$name.plain" || return 1
    done
    for name in ca tsa-ca; do
      openssl req -x509 -new -key "$dir/$name.plain" -days 2 -sha256 -subj "/CN=Kestor test $name" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -out "$dir/$name.pem" || return 1
    done
    pki_cert "$dir" signer "/O=Kestor test/CN=Kestor test code signing" ca \
      'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning' &&
      pki_cert "$dir" tsa "/CN=Kestor test time stamps" tsa-ca \
        'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping'
  } >"$dir/openssl.log" 2>&1 || { cat "$dir/openssl.log"; return 1; }
  cat "$dir/signer.pem" "$dir/ca.pem" >"$dir/chain.pem"

  openssl rand -hex 12 >"$dir/passphrase"
  openssl rand -hex 4 >"$dir/pin"
  openssl pkey -in "$dir/signer.plain" -aes-256-cbc -passout "file:$dir/passphrase" -out "$dir/signer.key" || return 1

  # The token: SoftHSM2 finds its folder through SOFTHSM2_CONF.
  printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$dir/tokens" \
    >"$dir/softhsm2.conf"
  {
    SOFTHSM2_CONF=$dir/softhsm2.conf softhsm2-util --init-token --free --label kestor-test \
      --so-pin "$(openssl rand -hex 4)" --pin "$(cat "$dir/pin")" &&
      SOFTHSM2_CONF=$dir/softhsm2.conf softhsm2-util --import "$dir/signer.plain" --token kestor-test \
        --label signer --id 01 --pin "$(cat "$dir/pin")"
  } >"$dir/softhsm.log" 2>&1 || { cat "$dir/softhsm.log"; return 1; }

  echo 01 >"$dir/tsa.serial"
  cat >"$dir/tsa.cnf" <<EOF
[ tsa ]
default_tsa = kestor_test_tsa
[ kestor_test_tsa ]
serial = $dir/tsa.serial
signer_cert = $dir/tsa.pem
signer_key = $dir/tsa.plain
certs = $dir/tsa-ca.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
}

tsa_start() {
  local dir=$1 tries
  : >"$dir/tsa.port"
  node "$(dirname "${BASH_SOURCE[0]}")/tsa.js" "$dir" >"$dir/tsa.port" 2>"$dir/tsa.err" &
  tsa_pid=$!
  for tries in $(seq 50); do
    [ -s "$dir/tsa.port" ] && break
    sleep 0.1
  done
  [ -s "$dir/tsa.port" ] || { cat "$dir/tsa.err"; return 1; }
  tsa_url=http://127.0.0.1:$(cat "$dir/tsa.port")
}

tsa_stop() { [ -z "${tsa_pid:-}" ] || kill "$tsa_pid" 2>/dev/null || true; }
