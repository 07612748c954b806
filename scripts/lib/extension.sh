# The browser extension and the native host's manifests, for package.sh; source it.
#   pack_extension ROOT WORK OUT
# writes into OUT:
#   kestor-bridge.crx           packed for Chromium browsers (Chrome, Edge), with
#   update.xml                  its update manifest, for a self-hosted force-install
#   kestor-bridge-firefox.zip   for Firefox, to be signed by Mozilla before release Firefox takes it
# and into WORK: kestor.bridge.chrome.json and kestor.bridge.firefox.json, the host's
# manifests (path relative to themselves, so they fit any install folder). Sets
# extension_id and extension_update_url. The Chromium ID is that of the packing key: KESTOR_EXTENSION_KEY (PEM
# RSA private key) or, without it, a throwaway key made now, whose ID no other build
# shares. KESTOR_EXTENSION_URL is where the administrator serves the .crx and
# update.xml (the update manifest and the extension both name it).
pack_extension() {
  local root=$1 work=$2 out=$3 key url version gecko browser
  mkdir -p "$out"
  if [ -n "${KESTOR_EXTENSION_KEY:-}" ]; then
    [ -f "$KESTOR_EXTENSION_KEY" ] || { echo "KESTOR_EXTENSION_KEY must name a readable PEM file" >&2; return 1; }
    key=$KESTOR_EXTENSION_KEY
  else
    key=$work/test-extension.pem
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$key" 2>"$work/openssl.log" ||
      { cat "$work/openssl.log" >&2; return 1; }
    echo "TEST-PACKED: no KESTOR_EXTENSION_KEY, so the extension's ID is that of a throwaway key" >&2
  fi
  url=${KESTOR_EXTENSION_URL:-https://intranet.invalid/kestor}
  url=${url%/}
  extension_update_url=$url/update.xml
  # The ID: the first 128 bits of the SHA-256 of the public key, in the letters a to p.
  extension_id=$(openssl pkey -in "$key" -pubout -outform DER 2>/dev/null | sha256sum | cut -c1-32 | tr 0-9a-f a-p)
  [ ${#extension_id} -eq 32 ] || { echo "cannot read the extension key $key" >&2; return 1; }
  local pinned
  pinned=$(node -p 'require(process.argv[1]).key' "$root/extension/manifest.json" | base64 -d | sha256sum | cut -c1-32 | tr 0-9a-f a-p)
  [ "$extension_id" = "$pinned" ] ||
    echo "note: the packed extension's ID $extension_id is not $pinned, the one extension/manifest.json pins for unpacked copies" >&2
  version=$(node -p 'require(process.argv[1]).version' "$root/extension/manifest.json")
  gecko=$(node -p 'require(process.argv[1]).browser_specific_settings.gecko.id' "$root/extension/manifest.json")

  # The development key pins the ID of an unpacked copy; packed, the key gives the ID.
  for browser in chromium firefox; do
    rm -rf "$work/extension-$browser"
    cp -r "$root/extension" "$work/extension-$browser"
    node -e '
      const fs = require("fs"), [file, browser, update] = process.argv.slice(1);
      const manifest = JSON.parse(fs.readFileSync(file, "utf8"));
      delete manifest.key;
      if (browser === "chromium") manifest.update_url = update;
      fs.writeFileSync(file, JSON.stringify(manifest, null, 2) + "\n");' \
      "$work/extension-$browser/manifest.json" "$browser" "$extension_update_url"
  done
  timeout 120 chromium --no-sandbox --headless=new --user-data-dir="$work/chromium-profile" \
    --pack-extension="$work/extension-chromium" --pack-extension-key="$key" >"$work/pack.log" 2>&1 </dev/null
  [ -f "$work/extension-chromium.crx" ] || { cat "$work/pack.log" >&2; echo "chromium did not pack the extension" >&2; return 1; }
  mv "$work/extension-chromium.crx" "$out/kestor-bridge.crx"
  cat >"$out/update.xml" <<EOF
<?xml version='1.0' encoding='UTF-8'?>
<gupdate xmlns='http://www.google.com/update2/response' protocol='2.0'>
  <app appid='$extension_id'>
    <updatecheck codebase='$url/kestor-bridge.crx' version='$version'/>
  </app>
</gupdate>
EOF
  rm -f "$out/kestor-bridge-firefox.zip"
  (cd "$work/extension-firefox" && zip -q -X -r "$out/kestor-bridge-firefox.zip" .) ||
    { echo "zip failed" >&2; return 1; }

  for browser in chrome firefox; do
    node -e '
      const [file, browser, id, gecko] = process.argv.slice(1);
      const manifest = { name: "kestor.bridge", description: "Kestor native messaging host",
                         path: "kestor-host.exe", type: "stdio" };
      if (browser === "chrome") manifest.allowed_origins = ["chrome-extension://" + id + "/"];
      else manifest.allowed_extensions = [gecko];
      require("fs").writeFileSync(file, JSON.stringify(manifest, null, 2) + "\n");' \
      "$work/kestor.bridge.$browser.json" "$browser" "$extension_id" "$gecko"
  done
}
