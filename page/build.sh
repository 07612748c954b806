#!/usr/bin/env bash
# Builds the page library into OUT (default dist/page) with the pinned tools of
# page/package-lock.json; installs them first where they are not (from npm's cache
# when it holds them).
#   page/build.sh [OUT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$here/node_modules/.bin/tsc" ]; then
  (cd "$here" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error >/dev/null)
fi
node "$here/build.js" "${1:-$here/../dist/page}"
