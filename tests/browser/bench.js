// Bridge benchmarks in headless chromium, printed by scripts/bench.sh:
// (a) the round trip of a call on a kept connection, (b) a large report made visible to
// the page, beside an echo host sending the same bytes through the same browser and Wine,
// (c) tab B's connect() + GetTestData() while tab A runs a long SetData, against idle.
//   node bench.js --prefix PREFIX --host KESTOR_HOST_EXE --echo ECHO_HOST_EXE --dist DIST --out DIR [--calls N] [--megabytes M]
"use strict";

const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const { parseArgs } = require("util");
const browsers = require("./lib/browsers");
const { serve } = require("./lib/server");
const wine = require("./lib/wine");

const root = path.resolve(__dirname, "..", "..");
const { runLong, WIDE } = require("./cases");

const median = (values) => {
  const v = values.slice().sort((a, b) => a - b);
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};

// In the page: times (ms) of `calls` rounds of one member on one kept connection.
async function timeCalls(args) {
  const k = await Kestor.connect();
  k.WMIAttributesOfInterest = args.list;
  await k.GetTestData(); // the host is started and warm
  const times = { GetTestData: [], "SetData+GetData": [] };
  for (let i = 0; i < args.calls; i++) {
    let t0 = performance.now();
    await k.GetTestData();
    times.GetTestData.push(performance.now() - t0);
    t0 = performance.now();
    await k.GetData(await k.SetData());
    times["SetData+GetData"].push(performance.now() - t0);
  }
  await k.close();
  return times;
}

// In the page: GetData of one id, `rounds` times; milliseconds and the length seen.
async function timeGetData(args) {
  const k = await Kestor.connect();
  if (args.list !== null) {
    k.WMIAttributesOfInterest = args.list;
    args.id = await k.SetData();
  }
  const times = [];
  let length = 0;
  for (let i = 0; i < args.rounds; i++) {
    const t0 = performance.now();
    length = (await k.GetData(args.id)).length;
    times.push(performance.now() - t0);
  }
  await k.close();
  return { id: args.id, times: times, length: length };
}

// In the page: milliseconds of connect() + GetTestData() + close(), for `rounds` rounds
// or for `ms` milliseconds.
async function timeConnect({ rounds, ms }) {
  const times = [], end = performance.now() + (ms || Infinity);
  while (times.length < (rounds || Infinity) && performance.now() < end) {
    const t0 = performance.now(), k = await Kestor.connect();
    await k.GetTestData();
    times.push(performance.now() - t0);
    await k.close();
  }
  return times;
}

// (c): tab B connects and calls for 4 s while tab A runs a SetData of 5 s or more.
async function sideBySide(b, tabA, origin) {
  const tabB = await b.newPage(origin + "/tests/browser/pages/blank.html");
  await b.evaluate(tabB, timeConnect, { rounds: 5 }); // tab B's host is started and warm
  const idle = median(await b.evaluate(tabB, timeConnect, { rounds: 25 }));
  let n = 100, ms = 0, busy = [];
  while (ms < 5000) {
    n = Math.ceil(n * 7000 / (ms || await b.evaluate(tabA, runLong, WIDE.repeat(n)))); // scaled from the last run's time
    const long = b.evaluate(tabA, runLong, WIDE.repeat(n));
    await new Promise((r) => setTimeout(r, 200));
    busy = await b.evaluate(tabB, timeConnect, { ms: 4000 });
    ms = await long;
  }
  console.log("(c) tab B's connect()+GetTestData() while tab A runs a " + (ms / 1000).toFixed(1) + " s SetData: median " +
    median(busy).toFixed(1) + " ms over " + busy.length + " rounds, idle " + idle.toFixed(1) + " ms; delay " +
    (median(busy) - idle).toFixed(1) + " ms (target <= 50 ms)");
}

async function withChromium(launcher, temp, origin, work) {
  const b = await browsers.launch("chromium", path.join(root, "extension"), launcher, { temp: temp });
  try {
    const page = await b.newPage(origin + "/tests/browser/pages/blank.html");
    await b.evaluate(page, () => Kestor.status({ timeout: 60000 })); // a cold host takes more than a handshake's 3 s under Wine
    return await work(b, page);
  } finally {
    await b.close();
  }
}

async function main() {
  const { values: o } = parseArgs({ options: Object.fromEntries(
    ["prefix", "host", "echo", "dist", "out", "calls", "megabytes"].map((n) => [n, { type: "string" }])) });
  const calls = Number(o.calls || 25), megabytes = Number(o.megabytes || 20), rounds = 5;
  const prefix = path.resolve(o.prefix);
  fs.mkdirSync(o.out, { recursive: true });
  const temp = fs.mkdtempSync(path.join(path.resolve(o.out), "bridge-"));
  const server = await serve({ "/": root, "/dist/": path.resolve(o.dist) });
  const origin = "http://127.0.0.1:" + server.address().port;
  wine.setPolicy(prefix, temp, [origin]);
  const launcher = (exe, name) => {
    const file = path.join(temp, name + "-launcher.sh");
    execFileSync("bash", [path.join(root, "scripts", "bridge-launcher.sh"), prefix, path.resolve(exe), path.join(temp, name + ".log"), file]);
    return file;
  };
  const host = launcher(o.host, "kestor-host"), echo = launcher(o.echo, "echo-host");

  let large;
  await withChromium(host, temp, origin, async (b, page) => {
    const times = await b.evaluate(page, timeCalls, { calls: calls, list: "SELECT Caption FROM Win32_OperatingSystem|" });
    console.log("(a) kept connection, " + calls + " calls, medians: GetTestData round trip " + median(times.GetTestData).toFixed(2) +
      " ms (the transport overhead: the host reports no time of its own; target <= 3 ms); SetData+GetData of a one-query list " +
      median(times["SetData+GetData"]).toFixed(2) + " ms");
    const one = await b.evaluate(page, timeGetData, { list: WIDE, rounds: 1 });
    const repeats = Math.ceil(megabytes * 1048576 / one.length);
    large = await b.evaluate(page, timeGetData, { list: WIDE.repeat(repeats), rounds: rounds });
    await sideBySide(b, page, origin);
  });
  const file = path.join(wine.tempFolder(prefix), large.id);
  const bytes = fs.statSync(file).size;
  const echoed = await withChromium(echo, temp, origin, (b, page) =>
    b.evaluate(page, timeGetData, { list: null, id: wine.windowsPath(file), rounds: rounds }));
  const rate = (r) => bytes / 1048576 / (median(r.times) / 1000);
  console.log("(b) GetData of a " + (bytes / 1048576).toFixed(1) + " MB report, page-visible, median of " + rounds + ": bridge " +
    rate(large).toFixed(1) + " MB/s (" + median(large.times).toFixed(0) + " ms), echo host " + rate(echoed).toFixed(1) + " MB/s (" +
    median(echoed.times).toFixed(0) + " ms); bridge/echo " + (rate(large) / rate(echoed)).toFixed(2) + " (target >= 0.9)" +
    (large.length === bytes && echoed.length === bytes ? "" : "; LENGTHS DIFFER: " + large.length + ", " + echoed.length + ", file " + bytes));
  server.close();
}

main().catch((e) => {
  console.error(e.stack || e);
  process.exitCode = 1;
});
