// The cases each browser runs: pages served from allowed and refused origins take
// inventories through page/kestor.js, the extension and kestor-host.exe, and are held
// against what the control itself answers for the same calls.
"use strict";

const fs = require("fs");
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

async function pageOutcome(options) {
  try {
    const k = await Kestor.connect(options);
    const value = await k.GetTestData();
    return { ok: value };
  } catch (e) {
    return { code: e.code, isError: e instanceof Error, message: e.message };
  }
}

// The form of a text: any hex digit of an identifier, any run of digits of a time.
const hexForm = (text) => String(text).replace(/[0-9A-Fa-f]/g, "h");
const digitForm = (text) => String(text).replace(/[0-9]+/g, "9");

async function run(t, b, env) {
  const { prefix, origin, otherOrigin, refusedOrigin, bareOrigin, control } = env;
  const page = await b.newPage(origin + "/tests/browser/pages/blank.html");

  const reports = await b.evaluate(page, pageRows, ROWS.map((r) => ({ calls: r.calls, list: r.list })));
  ROWS.forEach((row, i) => t.equal(reports[i], control.rows[i], row.what));
  t.check(reports[ROWS.length - 1].length > 3 * 1048576, "the large report is over 3 MB (" + reports[ROWS.length - 1].length + " characters)");

  const members = await b.evaluate(page, async () => {
    const k = await Kestor.connect({ transport: "bridge" });
    const answers = {
      testdata: await k.GetTestData(), identifier: await k.GenerateIdentifier(), datetime: await k.DateTime,
      unknown: await k.GetData("{00000000-0000-0000-0000-000000000000}"), traversal: await k.GetData("..\\..\\win.ini"),
      listHidden: k.WMIAttributesOfInterest
    };
    await k.close();
    return answers;
  });
  t.equal(members.testdata, control.testdata, "GetTestData");
  t.equal(hexForm(members.identifier), hexForm(control.identifier), "GenerateIdentifier has the control's form");
  t.equal(digitForm(members.datetime), digitForm(control.datetime), "DateTime has the control's form");
  t.equal(members.unknown, "", "GetData of an id without a report");
  t.equal(members.traversal, "", "GetData of an ill-formed id");
  t.equal(members.listHidden, undefined, "the query list cannot be read back");

  // Every object above is closed: an origin may hold 32 at once, and a closed one frees its place.
  const limit = await b.evaluate(page, async () => {
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
  t.deepEqual(limit, [32, "too-many-sessions", "connected"], "32 objects per origin, then too-many-sessions until one closes");

  // The inventory sample, as shipped: the button's runs until the status names a report.
  const sample = await b.newPage(origin + "/samples/inventory.html");
  const press = async (queries) => {
    document.getElementById("queries").value = queries;
    document.getElementById("run").click();
    const status = document.getElementById("status");
    for (let i = 0; i < 300 && !/^Report \{|fail|not/.test(status.textContent); i++) await new Promise((r) => setTimeout(r, 100));
    return { status: status.textContent, headings: Array.from(document.querySelectorAll("h2"), (h) => h.textContent) };
  };
  const firstRun = await b.evaluate(sample, press, "");
  t.deepEqual([/^Report \{[0-9A-F-]{36}\}$/.test(firstRun.status), firstRun.headings],
    [true, ["Win32_OperatingSystem", "Win32_ComputerSystem", "Win32_Processor", "Win32_LogicalDisk"]],
    "the inventory sample shows its own list's report (" + firstRun.status + ")");
  const secondRun = await b.evaluate(sample, press, "SELECT Name FROM Win32_NoSuchClass|");
  t.deepEqual(secondRun.headings, ["Win32_NoSuchClass"], "the sample's second run shows only what it added");
  await b.closePage(sample);

  // Two tabs of one origin: each its own session, and one tab going away ends only its own.
  const second = await b.newPage(origin + "/tests/browser/pages/blank.html");
  const takeTwice = async (cls) => {
    window.kestorTab = await Kestor.connect();
    window.kestorTab.WMIAttributesOfInterest = "SELECT Name FROM " + cls + "|";
    await window.kestorTab.SetData();
    const id = await window.kestorTab.SetData();
    return { id: id, report: await window.kestorTab.GetData(id) };
  };
  const [one, two] = await Promise.all([b.evaluate(page, takeTwice, "Win32_TabOne"), b.evaluate(second, takeTwice, "Win32_TabTwo")]);
  t.equal(one.report, "[class=Win32_TabOne]\r\n[class=Win32_TabOne]\r\n", "the first tab's object holds its own runs only");
  t.equal(two.report, "[class=Win32_TabTwo]\r\n[class=Win32_TabTwo]\r\n", "the second tab's object holds its own runs only");
  await b.closePage(page);
  const after = await b.evaluate(second, async (id) => ({
    own: await window.kestorTab.GetTestData(), other: await (await Kestor.connect()).GetData(id)
  }), one.id);
  t.equal(after.own, control.testdata, "the second tab's session outlives the first tab");
  t.equal(after.other, one.report, "another session of the same origin reads the first tab's report");

  // A report drawn by one origin is not another's to read.
  const foreign = await b.newPage(otherOrigin + "/tests/browser/pages/blank.html");
  t.equal(await b.evaluate(foreign, async (id) => (await Kestor.connect()).GetData(id), one.id), "",
    "another allowed origin gets the empty text for that file id");

  // The allow-list decides before anything runs.
  const before = wine.reportCount(prefix);
  const refused = await b.newPage(refusedOrigin + "/tests/browser/pages/blank.html");
  const refusal = await b.evaluate(refused, pageOutcome, {});
  t.deepEqual([refusal.code, refusal.isError], ["origin-refused", true], "an origin off the allow-list is refused (" + refusal.message + ")");
  t.equal(wine.reportCount(prefix), before, "the refused origin ran nothing");

  // A page the extension does not serve: the library gives up after its timeout.
  const bare = await b.newPage(bareOrigin + "/tests/browser/pages/blank.html");
  const started = Date.now();
  const none = await b.evaluate(bare, pageOutcome, { timeout: 400 });
  t.equal(none.code, "not-installed", "no extension answers: not-installed (" + none.message + ")");
  t.check(Date.now() - started >= 400, "not-installed only after the timeout");

  // The host dies under an open session: its calls fail, and a new connection starts a new host.
  await b.evaluate(foreign, async () => { window.kestorHeld = await Kestor.connect(); });
  const hosts = wine.processes(prefix).filter((p) => /kestor-host\.exe/i.test(p.command));
  t.check(hosts.length > 0, "the host runs in the prefix (" + hosts.length + " processes)");
  for (const h of hosts) process.kill(h.pid, "SIGKILL");
  const dead = await b.evaluate(foreign, async () => {
    const codes = [];
    for (let i = 0; i < 50 && codes.length === 0; i++) {
      try { await window.kestorHeld.GetTestData(); await new Promise((r) => setTimeout(r, 100)); } catch (e) { codes.push(e.code); }
    }
    try { codes.push(await (await Kestor.connect()).GetTestData()); } catch (e) { codes.push(e.code); }
    return codes;
  });
  t.deepEqual(dead, ["host-unavailable", control.testdata], "a dead host fails its sessions; connecting again starts a new one");

  // A host that cannot start: the manifest names a program that is not there.
  const manifest = fs.readFileSync(b.hostManifest, "utf8");
  fs.writeFileSync(b.hostManifest, manifest.replace(/"path": "[^"]*"/, '"path": "/nonexistent/kestor-host"'));
  for (const h of wine.processes(prefix).filter((p) => /kestor-host\.exe/i.test(p.command))) process.kill(h.pid, "SIGKILL");
  await new Promise((r) => setTimeout(r, 1000));
  const missing = await b.evaluate(foreign, pageOutcome, {});
  fs.writeFileSync(b.hostManifest, manifest);
  t.equal(missing.code, "host-unavailable", "a host that cannot start: host-unavailable (" + missing.message + ")");
  t.equal((await b.evaluate(foreign, pageOutcome, {})).ok, control.testdata, "and a host that can start again serves again");
}

module.exports = { run, ROWS };
