# The browser extension and the native host's manifests, for package.sh; source it.
#
# The extension's identity is the release's, never the source tree's: extension/manifest.json
# carries no key and no Firefox id.
#   KESTOR_EXTENSION_KEY   PEM RSA private key that packs the .crx; its public key gives the
#                          Chromium ID, the same in every version built with it
#   KESTOR_EXTENSION_URL   where the administrator serves the .crx and update.xml
#   KESTOR_EXTENSION_IDS   IDs of store copies (Chrome Web Store, Edge Add-ons), space or
#                          comma separated: the host manifest allows them too
#   KESTOR_FIREFOX_ID      the add-on's ID on addons.mozilla.org (the organisation's own)
# A release (signed for real) needs the first two and the Firefox ID; a test-signed build
# packs with a throwaway key and test values, and says so.

# Checks the settings before anything is built; needs sign_mode (scripts/lib/sign.sh).
extension_settings() {
  local missing=() id
  KESTOR_EXTENSION_IDS_LIST=${KESTOR_EXTENSION_IDS:-}
  KESTOR_EXTENSION_IDS_LIST=${KESTOR_EXTENSION_IDS_LIST//,/ }
  if [ "$sign_mode" != test ]; then
    [ -n "${KESTOR_EXTENSION_KEY:-}" ] || missing+=(KESTOR_EXTENSION_KEY)
    [ -n "${KESTOR_EXTENSION_URL:-}" ] || missing+=(KESTOR_EXTENSION_URL)
    [ -n "${KESTOR_FIREFOX_ID:-}" ] || missing+=(KESTOR_FIREFOX_ID)
    [ ${#missing[@]} -eq 0 ] || {
      echo "a release needs the extension's identity: set ${missing[*]} (the packing key the extension's ID comes from, the address that serves it, the add-on's ID)" >&2
      return 1
    }
  fi
  [ -z "${KESTOR_EXTENSION_KEY:-}" ] || [ -f "$KESTOR_EXTENSION_KEY" ] ||
    { echo "KESTOR_EXTENSION_KEY must name a readable PEM file" >&2; return 1; }
  [[ -z ${KESTOR_EXTENSION_URL:-} || $KESTOR_EXTENSION_URL == https://* ]] ||
    { echo "KESTOR_EXTENSION_URL must be an https:// address" >&2; return 1; }
  for id in ${KESTOR_EXTENSION_IDS_LIST:-}; do
    [[ $id =~ ^[a-p]{32}$ ]] || { echo "KESTOR_EXTENSION_IDS: '$id' is not an extension ID (32 letters a to p)" >&2; return 1; }
  done
  # addons.mozilla.org takes an email-like ID or a braced GUID.
  [[ -z ${KESTOR_FIREFOX_ID:-} || $KESTOR_FIREFOX_ID =~ ^([A-Za-z0-9._+-]*@[A-Za-z0-9.-]+|\{[0-9A-Fa-f-]{36}\})$ ]] ||
    { echo "KESTOR_FIREFOX_ID: '$KESTOR_FIREFOX_ID' is neither name@domain nor a braced GUID" >&2; return 1; }
}

#   pack_extension ROOT WORK OUT VERSION
# writes into OUT:
#   kestor-bridge.crx           packed for Chromium browsers (Chrome, Edge), with
#   update.xml                  its update manifest, for a self-hosted force-install
#   kestor-bridge-firefox.zip   for Firefox, to be signed by Mozilla before release Firefox takes it
# and into WORK: kestor.bridge.chrome.json and kestor.bridge.firefox.json, the host's
# manifests (path relative to themselves, so they fit any install folder). The extension
# carries the product's VERSION, so a changed extension reaches installed browsers.
# Sets extension_id, extension_update_url and extension_firefox_id.
pack_extension() {
  local root=$1 work=$2 out=$3 version=$4 key url browser origins id
  mkdir -p "$out"
  if [ -n "${KESTOR_EXTENSION_KEY:-}" ]; then
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
  extension_firefox_id=${KESTOR_FIREFOX_ID:-kestor-bridge@test.invalid}
  # The ID: the first 128 bits of the SHA-256 of the public key, in the letters a to p.
  extension_id=$(openssl pkey -in "$key" -pubout -outform DER 2>/dev/null | sha256sum | cut -c1-32 | tr 0-9a-f a-p)
  [ ${#extension_id} -eq 32 ] || { echo "cannot read the extension key $key" >&2; return 1; }

  for browser in chromium firefox; do
    rm -rf "$work/extension-$browser"
    cp -r "$root/extension" "$work/extension-$browser"
    node -e '
      const fs = require("fs"), [file, browser, version, update, gecko] = process.argv.slice(1);
      const manifest = JSON.parse(fs.readFileSync(file, "utf8"));
      manifest.version = version;
      if (browser === "chromium") {
        manifest.update_url = update;
        delete manifest.browser_specific_settings;
        delete manifest.background.scripts;
      } else {
        manifest.browser_specific_settings.gecko.id = gecko;
        delete manifest.background.service_worker;
      }
      fs.writeFileSync(file, JSON.stringify(manifest, null, 2) + "\n");' \
      "$work/extension-$browser/manifest.json" "$browser" "$version" "$extension_update_url" "$extension_firefox_id"
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

  # Chrome and Edge: the release's own ID and the store copies' IDs the builder names.
  origins=$extension_id
  for id in ${KESTOR_EXTENSION_IDS_LIST:-}; do origins+=" $id"; done
  for browser in chrome firefox; do
    node -e '
      const [file, browser, gecko, ...ids] = process.argv.slice(1);
      const manifest = { name: "kestor.bridge", description: "Kestor native messaging host",
                         path: "kestor-host.exe", type: "stdio" };
      if (browser === "chrome") manifest.allowed_origins = ids.map((id) => "chrome-extension://" + id + "/");
      else manifest.allowed_extensions = [gecko];
      require("fs").writeFileSync(file, JSON.stringify(manifest, null, 2) + "\n");' \
      "$work/kestor.bridge.$browser.json" "$browser" "$extension_firefox_id" $origins
  done
}
