#!/usr/bin/env bash
# The built page library's own checks: its bundled Promise against the Promises/A+
# suite, and a typed use of the packed package through TypeScript.
#   tests/page/run.sh PAGE_BUILD (a folder page/build.js wrote)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
page=$(cd "$here/../../page" && pwd)
build=$(cd "$1" && pwd)
(cd "$here" && PAGE_BUILD=$build node "$page/node_modules/promises-aplus-tests/lib/cli.js" aplus_adapter.js --reporter dot) | tail -n 4
typed=$(mktemp -d)
trap 'rm -rf "$typed"' EXIT
mkdir -p "$typed/node_modules/kestor"
tar -xzf "$build"/kestor-*.tgz -C "$typed/node_modules/kestor" --strip-components=1
cp "$here/typed_use.mts" "$typed/"
node "$page/node_modules/typescript/bin/tsc" --noEmit --strict --target es2022 --module nodenext --lib es2022,dom \
  "$typed/typed_use.mts"
echo "typed use of the package: 1 passed, 0 failed"
