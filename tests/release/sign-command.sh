#!/usr/bin/env bash
# An administrator's own signing command, as KESTOR_SIGN_COMMAND runs it: signs FILE in
# place, time-stamped, with the key that pki.sh made in PKI (here through osslsigncode;
# signtool or a cloud signing client in a real deployment).
#   sign-command.sh PKI TSA-URL FILE
set -euo pipefail
pki=$1 url=$2 file=$3
extra=()
[[ $file == *.msi ]] && extra+=(-add-msi-dse)
osslsigncode sign -certs "$pki/chain.pem" -key "$pki/signer.key" -readpass "$pki/passphrase" \
  -ts "$url" "${extra[@]}" -h sha256 -n "Kestor (external signing)" -in "$file" -out "$file.signed" </dev/null
mv "$file.signed" "$file"
