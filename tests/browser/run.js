// Browser tests of the bridge: headless chromium and firefox-esr with the extension,
// kestor-host.exe under Wine, pages on 127.0.0.1 using page/kestor.js.
//   node run.js --prefix PREFIX --host KESTOR_HOST_EXE --out DIR [--browsers chromium,firefox]
// PREFIX is a 64-bit Wine prefix with the 64-bit control registered. Ends with the
// summary line "N passed, M failed" and exit status 1 on any failure.
"use strict";

const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const browsers = require("./lib/browsers");
const { serve } = require("./lib/server");
const wine = require("./lib/wine");
const cases = require("./cases");

const root = path.resolve(__dirname, "..", "..");

function options(argv) {
  const o = { browsers: "chromium,firefox" };
  for (let i = 0; i < argv.length; i += 2) o[argv[i].replace(/^--/, "")] = argv[i + 1];
  for (const name of ["prefix", "host", "out"]) if (!o[name]) throw new Error("missing --" + name);
  o.prefix = path.resolve(o.prefix);
  return o;
}

// Checks that print one line each and count.
function tally(label) {
  const t = { passed: 0, failed: 0 };
  const say = (ok, what, detail) => {
    if (ok) t.passed++; else t.failed++;
    console.log((ok ? "ok   " : "FAIL ") + label() + ": " + what + (ok || !detail ? "" : "\n     " + detail));
  };
  const show = (v) => { const s = JSON.stringify(v); return s === undefined ? "undefined" : s.length > 300 ? s.slice(0, 300) + "... (" + s.length + ")" : s; };
  t.check = (ok, what) => say(!!ok, what);
  t.equal = (actual, expected, what) => say(actual === expected, what, "expected " + show(expected) + "\n     actual   " + show(actual));
  t.deepEqual = (actual, expected, what) => say(JSON.stringify(actual) === JSON.stringify(expected), what,
    "expected " + show(expected) + "\n     actual   " + show(actual));
  return t;
}

async function main() {
  const o = options(process.argv.slice(2));
  fs.mkdirSync(o.out, { recursive: true });
  const temp = fs.mkdtempSync(path.join(path.resolve(o.out), "run-"));
  let current = "setup";
  const t = tally(() => current);

  const allowed = await serve(root), other = await serve(root);
  const port = allowed.address().port;
  const env = {
    prefix: o.prefix,
    origin: "http://127.0.0.1:" + port,
    otherOrigin: "http://127.0.0.1:" + other.address().port,
    refusedOrigin: "http://localhost:" + port,
    bareOrigin: "http://127.0.0.2:" + port
  };
  wine.setPolicy(o.prefix, temp, [env.origin, env.otherOrigin]);
  env.control = wine.controlAnswers(o.prefix, temp, cases.ROWS);

  const launcher = path.join(temp, "kestor-host-launcher.sh");
  execFileSync("bash", [path.join(root, "scripts", "bridge-launcher.sh"), o.prefix, path.resolve(o.host),
    path.join(temp, "kestor-host.log"), launcher]);

  for (const name of o.browsers.split(",")) {
    current = name;
    const started = Date.now();
    const b = await browsers.launch(name, path.join(root, "extension"), launcher, { temp: temp });
    try {
      await cases.run(t, b, env);
    } catch (e) {
      t.check(false, "the cases ran to the end: " + (e.stack || e));
    }
    await b.close();
    const left = await wine.waitUntilGone(o.prefix, 20);
    t.deepEqual(left.map((p) => p.command), [], "no process of the prefix is left once the browser closed");
    console.log("     " + name + " took " + ((Date.now() - started) / 1000).toFixed(1) + " s");
  }
  allowed.close();
  other.close();
  console.log(t.passed + " passed, " + t.failed + " failed");
  process.exitCode = t.failed === 0 && t.passed > 0 ? 0 : 1;
}

main().catch((e) => {
  console.error(e.stack || e);
  process.exitCode = 1;
});
