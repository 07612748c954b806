#!/usr/bin/env bash
# The browser tests of the bridge, after the 64-bit Windows tree is built:
#   tests/browser/run.sh BUILD [chromium,firefox]
# Installs the pinned driver packages (no browser downloads: Debian's browsers are
# used), builds the page library into BUILD/dist, checks it and the background alone,
# registers the 64-bit control in the build's prefix for the reference answers, runs the
# cases in both browsers and ends every Wine process of the prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1 list=${2:-chromium,firefox}
prefix=$build/wineprefix out=$build/browser dist=$build/dist
source "$root/scripts/lib/windows.sh"
export PUPPETEER_SKIP_DOWNLOAD=1 PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
(cd "$here" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
mkdir -p "$out" "$dist"
bash "$root/page/build.sh" "$dist/page"
rm -rf "$dist/samples" && cp -r "$root/samples" "$dist/samples"
bash "$root/tests/page/run.sh" "$dist/page"
# The background and the library alone first, against fakes: no browser needed.
(cd "$here" && PAGE_BUILD=$dist/page node --test --test-reporter=spec background.test.js library.test.js)
trap 'bash "$root/scripts/wine-stop.sh" "$prefix"' EXIT
bash "$root/scripts/wine-run.sh" "$prefix" 300 "$out/regsvr32.txt" regsvr32 /s "$(windows_path "$build/win64/host/Kestor.ocx")" || {
  echo "registering Kestor.ocx failed" >&2; exit 1; }
node --test-reporter=spec "$here/run.js" --prefix "$prefix" --host "$build/win64/host/bridge/kestor-host.exe" \
  --dist "$dist" --out "$out" --browsers "$list"
