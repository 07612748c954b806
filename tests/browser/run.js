// Browser tests of the bridge: headless chromium and firefox-esr with the extension,
// kestor-host.exe under Wine, pages on 127.0.0.1 using the built library (dist/page).
//   node --test-reporter=spec run.js --prefix PREFIX --host KESTOR_HOST_EXE --dist DIST --out DIR [--browsers chromium,firefox]
// PREFIX is a 64-bit Wine prefix with the 64-bit control registered; DIST holds page/
// and samples/ as the release has them. node:test tallies the cases.
"use strict";

const { describe, before, after } = require("node:test");
const assert = require("node:assert");
const fs = require("fs");
const path = require("path");
const { parseArgs } = require("util");
const { execFileSync } = require("child_process");
const browsers = require("./lib/browsers");
const { serve } = require("./lib/server");
const wine = require("./lib/wine");
const cases = require("./cases");

const root = path.resolve(__dirname, "..", "..");
const required = ["prefix", "host", "dist", "out"];
const { values: o } = parseArgs({ options: Object.fromEntries(required.concat("browsers").map((n) => [n, { type: "string" }])) });
for (const name of required) if (!o[name]) throw new Error("missing --" + name);

const env = { prefix: path.resolve(o.prefix) };
const servers = [];
before(async () => {
  fs.mkdirSync(o.out, { recursive: true });
  env.temp = fs.mkdtempSync(path.join(path.resolve(o.out), "run-"));
  const mounts = { "/": root, "/dist/": path.resolve(o.dist) };
  servers.push(await serve(mounts), await serve(mounts));
  const port = servers[0].address().port;
  Object.assign(env, {
    origin: "http://127.0.0.1:" + port,
    otherOrigin: "http://127.0.0.1:" + servers[1].address().port,
    refusedOrigin: "http://localhost:" + port,
    insecureOrigin: "http://127.0.0.2:" + port
  });
  wine.setPolicy(env.prefix, env.temp, [env.origin, env.otherOrigin]);
  env.control = wine.controlAnswers(env.prefix, env.temp, cases.ROWS.concat(cases.TYPED));
  env.launcher = path.join(env.temp, "kestor-host-launcher.sh");
  execFileSync("bash", [path.join(root, "scripts", "bridge-launcher.sh"), env.prefix, path.resolve(o.host),
    path.join(env.temp, "kestor-host.log"), env.launcher]);
});
after(() => servers.forEach((s) => s.close()));

for (const name of (o.browsers || "chromium,firefox").split(",")) {
  describe(name, () => {
    const b = {};
    before(async () => Object.assign(b, await browsers.launch(name, path.join(root, "extension"), env.launcher, { temp: env.temp })));
    cases.define(b, env);
    after(async () => {
      await b.close();
      const left = await wine.waitUntilGone(env.prefix, 20);
      assert.deepStrictEqual(left.map((p) => p.command), [], "no process of the prefix is left once the browser closed");
    });
  });
}
