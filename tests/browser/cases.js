// The cases each browser runs, in order (later ones use what earlier ones left): pages
// served from allowed and refused origins take inventories through the built library,
// the extension and kestor-host.exe, held against what the control itself answers.
"use strict";

const { test } = require("node:test");
const assert = require("node:assert");
const fs = require("fs");
const path = require("path");
const wine = require("./lib/wine");

// A query that answers the same text every time, repeated into a report of over 3 MB:
// more than three of the host's 1 MiB messages.
const STABLE = "SELECT Caption, Version, BuildNumber, OSArchitecture, Manufacturer, Name FROM Win32_OperatingSystem|";
const WIDE = "SELECT " + Array.from({ length: 1000 }, (v, i) => ["Caption", "Version", "BuildNumber", "Name"][i % 4]).join(", ") +
  " FROM Win32_OperatingSystem|";
const LARGE = WIDE.repeat(80);

// Each row runs SetData `calls` times on one fresh object and reads the last report.
const ROWS = [
  { calls: 1, list: STABLE, what: "a report in the control's format" },
  { calls: 1, list: "SELECT Name FROM Win32_NoSuchClass|", what: "a class that does not exist" },
  { calls: 1, list: "SELECT Name|", what: "a query that fails: its error line" },
  { calls: 1, list: "SELECT Name FROM Win32_BIOS", what: "a list without a separator runs nothing" },
  { calls: 1, list: null, what: "no list put at all" },
  { calls: 2, list: STABLE, what: "an object's report keeps its earlier runs" },
  { calls: 1, list: LARGE, what: "a report over 3 MB arrives whole" }
];

// k.inventory's queries, and the control's row that collects them: arrays, SELECT *, a failure.
const QUERIES = ["SELECT Description, IPAddress, MACAddress FROM Win32_NetworkAdapterConfiguration WHERE IPEnabled = TRUE",
  "SELECT * FROM Win32_BIOS", "SELECT Caption, Version, BuildNumber FROM Win32_OperatingSystem", "SELECT Name"];
const TYPED = { calls: "typed", list: QUERIES.join("|") + "|" };

// In the page: every row on a fresh Kestor object, the report of its last run.
async function pageRows(rows) {
  const reports = [];
  for (const row of rows) {
    const k = await Kestor.connect();
    if (row.list !== null) k.WMIAttributesOfInterest = row.list;
    let id = "";
    for (let c = 0; c < row.calls; c++) id = await k.SetData();
    reports.push(await k.GetData(id));
    await k.close();
  }
  return reports;
}

// In the page: connect and one call, with how it ended and how long it took.
async function pageOutcome(args) {
  const t0 = performance.now();
  const library = args.frame ? document.querySelector("iframe").contentWindow.Kestor : Kestor;
  try {
    const k = await library.connect(args.options);
    return { ok: await k[args.member || "GetTestData"].apply(k, args.args || []), ms: performance.now() - t0 };
  } catch (e) {
    return { code: e.code, name: e.name, isError: e instanceof Error, message: e.message, ms: performance.now() - t0 };
  }
}

// In the page: milliseconds of one SetData of this list on a fresh object.
async function runLong(list) {
  const k = await Kestor.connect();
  k.WMIAttributesOfInterest = list;
  const t0 = performance.now();
  await k.SetData();
  return performance.now() - t0;
}

// The form of a text: any hex digit of an identifier, any run of digits of a time.
const hexForm = (text) => String(text).replace(/[0-9A-Fa-f]/g, "h");
const digitForm = (text) => String(text).replace(/[0-9]+/g, "9");
const blank = "/tests/browser/pages/blank.html";
const kills = (prefix) => wine.processes(prefix).filter((p) => /kestor-host\.exe/i.test(p.command));

function define(b, env) {
  const { prefix } = env;
  const s = {}; // what one case leaves for the next
  const outcomeAt = async (origin, args) => b.evaluate(await b.newPage(origin + blank), pageOutcome, args);
  // While work runs, the host is a shell script of this text, or none at all (null).
  const swapHost = async (script, work) => {
    const saved = fs.readFileSync(b.hostManifest, "utf8"), file = path.join(env.temp, "host-" + Date.now() + ".sh");
    fs.writeFileSync(file, "#!/bin/sh\n" + script + "\n", { mode: 0o755 });
    if (script === null) fs.unlinkSync(b.hostManifest);
    else fs.writeFileSync(b.hostManifest, saved.replace(/"path": "[^"]*"/, '"path": "' + file + '"'));
    try { return await work(); } finally { fs.writeFileSync(b.hostManifest, saved); }
  };

  test("reports, byte for byte the control's", async () => {
    s.page = await b.newPage(env.origin + blank);
    // The page's host starts cold in a fresh prefix: more than a handshake's 3 s under Wine.
    await b.evaluate(s.page, () => Kestor.status({ timeout: 60000 }));
    const reports = await b.evaluate(s.page, pageRows, ROWS.map((r) => ({ calls: r.calls, list: r.list })));
    ROWS.forEach((row, i) => assert.strictEqual(reports[i], env.control.rows[i], row.what));
    assert.ok(reports[ROWS.length - 1].length > 3 * 1048576, "the large report is over 3 MB");
  });

  test("members, status, and a call aborted before it starts", async () => {
    const m = await b.evaluate(s.page, async () => {
      const k = await Kestor.connect({ transport: "bridge" });
      const answers = {
        testdata: await k.GetTestData(), identifier: await k.GenerateIdentifier(), datetime: await k.DateTime,
        unknown: await k.GetData("{00000000-0000-0000-0000-000000000000}"), traversal: await k.GetData("..\\..\\win.ini"),
        surrogate: await k.GetData("\uD800", { timeout: 10000 }).then((v) => v, (e) => e.code),
        aborted: await k.GetTestData({ signal: AbortSignal.abort() }).then((v) => v, (e) => e.code),
        listHidden: k.WMIAttributesOfInterest, status: await Kestor.status()
      };
      await k.close();
      return answers;
    });
    assert.strictEqual(m.testdata, env.control.testdata, "GetTestData");
    assert.strictEqual(hexForm(m.identifier), hexForm(env.control.identifier), "GenerateIdentifier has the control's form");
    assert.strictEqual(digitForm(m.datetime), digitForm(env.control.datetime), "DateTime has the control's form");
    assert.deepStrictEqual([m.unknown, m.traversal], ["", ""], "GetData of an id without a report, of an ill-formed id");
    assert.ok(m.surrogate === "" || m.surrogate === "bad-request", "GetData of a lone surrogate settles: " + m.surrogate);
    assert.strictEqual(m.aborted, "aborted");
    assert.strictEqual(m.listHidden, undefined, "the query list cannot be read back");
    const product = fs.readFileSync(path.join(__dirname, "..", "..", "VERSION"), "utf8").trim();
    assert.deepStrictEqual(m.status, { library: product, protocol: 2, extension: product, host: product, transport: "bridge" });
  });

  test("k.inventory over the bridge: the sections Kestor.Inventory's Collect gives", async () => {
    const got = await b.evaluate(s.page, async (q) => { const k = await Kestor.connect(), r = await k.inventory(q); await k.close(); return r; }, QUERIES);
    assert.deepStrictEqual(got, Object.assign(JSON.parse(env.control.rows[ROWS.length]), { typed: true }));
  });

  test("32 objects per page, then too-many-sessions until one closes", async () => {
    const limit = await b.evaluate(s.page, async () => {
      const held = [];
      let refusal = null;
      while (refusal === null && held.length < 40) {
        try { held.push(await Kestor.connect()); } catch (e) { refusal = e.code; }
      }
      await held.pop().close();
      const again = await Kestor.connect().then(() => "connected", (e) => e.code);
      for (const k of held) await k.close();
      return [held.length + 1, refusal, again];
    });
    assert.deepStrictEqual(limit, [32, "too-many-sessions", "connected"]);
  });

  test("the library as classic script, UMD and ES module: three copies on one page keep apart", async () => {
    const page = await b.newPage(env.origin + "/tests/browser/pages/builds.html");
    const got = await b.evaluate(page, async () => {
      for (let i = 0; i < 50 && !window.KestorModule; i++) await new Promise((r) => setTimeout(r, 100));
      const copies = { classic: window.Kestor, umd: window.KestorUmd, module: window.KestorModule };
      const run = async (name) => {
        const k = await copies[name].connect();
        k.WMIAttributesOfInterest = "SELECT Name FROM Win32_" + name + "|";
        return k.GetData(await k.SetData());
      };
      const names = Object.keys(copies);
      return { names: names.map((n) => typeof (copies[n] && copies[n].connect)), reports: await Promise.all(names.map(run)) };
    });
    assert.deepStrictEqual(got.names, ["function", "function", "function"]);
    assert.deepStrictEqual(got.reports, ["classic", "umd", "module"].map((n) => "[class=Win32_" + n + "]\r\n"));
    await b.closePage(page);
  });

  test("the inventory sample, served from dist/", async () => {
    const sample = await b.newPage(env.origin + "/dist/samples/inventory.html");
    const press = async (queries) => {
      document.getElementById("queries").value = queries;
      document.getElementById("run").click();
      const status = document.getElementById("status");
      for (let i = 0; i < 300 && !/sections$|fail|not/i.test(status.textContent); i++) await new Promise((r) => setTimeout(r, 100));
      return { status: status.textContent, headings: Array.from(document.querySelectorAll("h2"), (h) => h.textContent) };
    };
    const firstRun = await b.evaluate(sample, press, "");
    assert.strictEqual(firstRun.status, "Typed inventory, 4 sections");
    assert.deepStrictEqual(firstRun.headings, ["Win32_OperatingSystem", "Win32_ComputerSystem", "Win32_Processor", "Win32_LogicalDisk"]);
    const secondRun = await b.evaluate(sample, press, "SELECT Name FROM Win32_NoSuchClass|");
    assert.deepStrictEqual(secondRun.headings, ["Win32_NoSuchClass"], "the second run shows only what it added");
    await b.closePage(sample);
  });

  test("two tabs: each its own sessions and host; one tab going away ends only its own", async () => {
    s.second = await b.newPage(env.origin + blank);
    const takeTwice = async (cls) => {
      window.kestorTab = await Kestor.connect();
      window.kestorTab.WMIAttributesOfInterest = "SELECT Name FROM " + cls + "|";
      await window.kestorTab.SetData();
      const id = await window.kestorTab.SetData();
      return { id: id, report: await window.kestorTab.GetData(id) };
    };
    const [one, two] = await Promise.all([b.evaluate(s.page, takeTwice, "Win32_TabOne"), b.evaluate(s.second, takeTwice, "Win32_TabTwo")]);
    assert.strictEqual(one.report, "[class=Win32_TabOne]\r\n[class=Win32_TabOne]\r\n");
    assert.strictEqual(two.report, "[class=Win32_TabTwo]\r\n[class=Win32_TabTwo]\r\n");
    await b.closePage(s.page);
    const after = await b.evaluate(s.second, async (id) => ({
      own: await window.kestorTab.GetTestData(), other: await (await Kestor.connect()).GetData(id)
    }), one.id);
    assert.strictEqual(after.own, env.control.testdata, "the second tab's session outlives the first tab");
    assert.strictEqual(after.other, "", "a report is read through the page whose host drew it");
  });

  test("tab B's calls go on while tab A runs long", async () => {
    const a = b.evaluate(s.second, runLong, LARGE.repeat(2));
    await new Promise((r) => setTimeout(r, 300));
    const t0 = Date.now(), quick = await outcomeAt(env.origin, {});
    const bMs = Date.now() - t0, aMs = await a;
    assert.strictEqual(quick.ok, env.control.testdata);
    assert.ok(bMs < aMs, "tab B (" + bMs + " ms) finished before tab A's SetData (" + Math.round(aMs) + " ms)");
  });

  test("refusals: another origin's report, an origin off the list, an http page, a page the extension does not serve", async () => {
    s.foreign = await b.newPage(env.otherOrigin + blank);
    assert.strictEqual(await b.evaluate(s.foreign, pageOutcome, { member: "GetData", args: ["{00000000-0000-0000-0000-000000000001}"] })
      .then((r) => r.ok), "", "another allowed origin gets the empty text");
    const before = wine.reportCount(prefix);
    const refused = await outcomeAt(env.refusedOrigin, {});
    assert.deepStrictEqual([refused.code, refused.name, refused.isError], ["origin-refused", "KestorError", true], refused.message);
    assert.strictEqual(wine.reportCount(prefix), before, "the refused origin ran nothing");
    const insecure = await outcomeAt(env.insecureOrigin, {});
    assert.strictEqual(insecure.code, "insecure-origin", insecure.message);
    assert.ok(insecure.ms < 100, "at once (" + insecure.ms + " ms)");
    // A frame of its own document (srcdoc): the extension's script is not injected there.
    const framed = await b.newPage(env.origin + "/tests/browser/pages/framed.html");
    const none = await b.evaluate(framed, pageOutcome, { frame: true, options: { timeout: 400 } });
    assert.strictEqual(none.code, "not-installed", none.message);
    assert.ok(none.ms >= 400, "only after the timeout (" + none.ms + " ms)");
    await b.closePage(framed);
  });

  test("hosts that never answer, are missing, die or end at once", async () => {
    // Reads and drops every request; its standard output stays open, so the browser waits.
    const hung = await swapHost("cat >/dev/null", () => outcomeAt(env.origin, { options: { timeout: 500 } }));
    assert.strictEqual(hung.code, "timeout", hung.message);
    assert.ok(hung.ms < 2000, "within the handshake's time (" + hung.ms + " ms)");
    const missing = await swapHost(null, () => outcomeAt(env.origin, {}));
    assert.strictEqual(missing.code, "host-not-installed", missing.message);
    assert.ok(missing.message.length > 0, "the browser's words: " + missing.message);

    // The host dies under an open session: its calls fail, and connecting again starts a new one.
    await b.evaluate(s.foreign, async () => { window.kestorHeld = await Kestor.connect(); });
    const hosts = kills(prefix);
    assert.ok(hosts.length > 0, "the host runs in the prefix");
    for (const h of hosts) process.kill(h.pid, "SIGKILL");
    const dead = await b.evaluate(s.foreign, async () => {
      const codes = [];
      for (let i = 0; i < 50 && codes.length === 0; i++) {
        try { await window.kestorHeld.GetTestData(); await new Promise((r) => setTimeout(r, 100)); } catch (e) { codes.push(e.code); }
      }
      try { codes.push(await (await Kestor.connect()).GetTestData()); } catch (e) { codes.push(e.code); }
      return codes;
    });
    assert.deepStrictEqual(dead, ["host-unavailable", env.control.testdata]);

    for (const h of kills(prefix)) process.kill(h.pid, "SIGKILL");
    await new Promise((r) => setTimeout(r, 1000));
    const broken = await swapHost("exit 1", () => b.evaluate(s.foreign, pageOutcome, {}));
    assert.strictEqual(broken.code, "host-unavailable", broken.message);
    assert.strictEqual((await b.evaluate(s.foreign, pageOutcome, {})).ok, env.control.testdata, "a host that can start serves again");
  });
}

module.exports = { define, runLong, ROWS, TYPED, WIDE, LARGE };
