#!/usr/bin/env bash
# The built page library (PAGE_BUILD, a folder page/build.js wrote): its bundled Promise
# against the Promises/A+ suite, and a typed use of its packed package through tsc.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd) page=$(cd "$(dirname "$0")/../../page" && pwd) build=$(cd "$1" && pwd)
(cd "$here" && PAGE_BUILD=$build node "$page/node_modules/promises-aplus-tests/lib/cli.js" aplus_adapter.js --reporter dot) | tail -n 4
typed=$(mktemp -d) && trap 'rm -rf "$typed"' EXIT
mkdir -p "$typed/node_modules/kestor" && cp "$here/typed_use.mts" "$typed/"
tar -xzf "$build"/kestor-*.tgz -C "$typed/node_modules/kestor" --strip-components=1
node "$page/node_modules/typescript/bin/tsc" --noEmit --strict --target es2022 --module nodenext --lib es2022,dom "$typed/typed_use.mts"
echo "typed use of the package: 1 passed, 0 failed"
