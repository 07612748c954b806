// The built classic script (PAGE_BUILD) as Internet Explorer 11 runs it: no Promise (the
// bundled one, settled from timers) and a control from ActiveXObject, here a fake that
// fails on demand.
"use strict";

const test = require("node:test");
const assert = require("node:assert");
const fs = require("fs");
const path = require("path");
const vm = require("vm");

const source = fs.readFileSync(path.join(process.env.PAGE_BUILD, "kestor.js"), "utf8");

// A context without Promise; `control` answers as the ActiveX object would. Errors made
// there are that context's Error: isError checks the kind across contexts.
function load(control, window) {
  const context = vm.createContext({ setTimeout, clearTimeout, window });
  vm.runInContext("delete this.Promise;", context);
  context.ActiveXObject = function (progId) {
    if (progId !== "Kestor.SysKestor" || control === null) throw new Error("Automation server can't create object");
    return control;
  };
  vm.runInContext(source, context);
  assert.strictEqual(vm.runInContext("typeof Promise", context), "undefined");
  return context.Kestor;
}

// A window whose extension replies answer(request) to each request.
function fakeBridge(answer) {
  const heard = [];
  const window = { origin: "https://a.example", location: {}, addEventListener: (type, f) => heard.push(f) };
  window.postMessage = (m) => setTimeout(() => heard.forEach((f) => f({ source: window,
    data: Object.assign({ kestorBridge: "reply", id: m.id, ok: true }, answer(m)) })));
  return window;
}

// Settles a thenable into { value } or { error } through its own then.
const isError = (e) => Object.prototype.toString.call(e) === "[object Error]";
const outcome = (thenable) => new Promise((resolve) => thenable.then((value) => resolve({ value }), (error) => resolve({ error })));

function fakeControl() {
  const calls = [];
  return {
    calls,
    set WMIAttributesOfInterest(list) { calls.push("put " + list); },
    SetData() { if (arguments.length > 0) throw new Error("SetData takes no argument"); calls.push("SetData"); return "{ID}"; },
    GetData(id) {
      if (id === "boom") throw Object.assign(new Error("Invalid class"), { number: -2147217392, description: "Invalid class" });
      return "report of " + id;
    },
    GenerateIdentifier: () => "{NEW}",
    GetTestData: () => "WMI simulation",
    get DateTime() { return "1/2/202603:04:05"; }
  };
}

test("members over the control settle later, in order, with the control's values", async () => {
  const control = fakeControl();
  const Kestor = load(control);
  const k = (await outcome(Kestor.connect())).value;
  k.WMIAttributesOfInterest = "SELECT Name FROM Win32_BIOS|";
  const rows = [
    // [call, expected value, what]
    [() => k.SetData(), "{ID}", "SetData puts the kept list, then runs"],
    [() => k.GetData("{ID}"), "report of {ID}", "GetData"],
    [() => k.GenerateIdentifier(), "{NEW}", "GenerateIdentifier"],
    [() => k.GetTestData(), "WMI simulation", "GetTestData"],
    [() => k.DateTime, "1/2/202603:04:05", "DateTime, read on each access"]

  ];
  for (const [call, expected, what] of rows) assert.deepStrictEqual(await outcome(call()), { value: expected }, what);
  assert.deepStrictEqual(control.calls, ["put SELECT Name FROM Win32_BIOS|", "SetData"]);
  assert.strictEqual(k.WMIAttributesOfInterest, undefined, "the list cannot be read back");
});

test("inventory where the control has no Kestor.Inventory: a fresh SysKestor's report", async () => {
  const control = Object.assign(fakeControl(), { GetData: (id) => "[class=" + id + "]\r\n" });
  const k = (await outcome(load(control).connect())).value;
  const older = (await outcome(k.inventory(["A"]))).value;
  assert.deepStrictEqual([older.typed, older.sections[0].className, control.calls], [false, "{ID}", ["put A|", "SetData"]]);
  assert.strictEqual((await outcome(k.inventory(["A|"]))).error.code, "bad-request", "a query holding |");
});

test("failures reject with an Error and a code", async () => {
  const k = (await outcome(load(fakeControl()).connect({ transport: "activex" }))).value;
  const failed = (await outcome(k.GetData("boom"))).error;
  assert.deepStrictEqual([isError(failed), failed.name], [true, "KestorError"]);
  assert.deepStrictEqual([failed.code, failed.number, failed.description], ["failed", -2147217392, "Invalid class"],
    "a member that fails: the control's number and description");
  await outcome(k.close());
  assert.strictEqual((await outcome(k.GetTestData())).error.code, "no-session", "a closed object");

  const rows = [
    // [control, options, expected code, what]
    [null, { transport: "activex" }, "not-installed", "no control and activex asked for"],
    [null, { transport: "auto" }, "not-installed", "no control and no window to reach the extension"],
    [fakeControl(), { transport: "telepathy" }, undefined, "an unknown transport"]
  ];
  for (const [control, options, code, what] of rows) {
    const error = (await outcome(load(control).connect(options))).error;
    assert.ok(isError(error), what);
    assert.strictEqual(error.code, code, what);
  }
});

test("inventory through a host older than the op: the report of a session of its own", async () => {
  const asked = [];
  const window = fakeBridge((m) => {
    asked.push(m.op + " " + (m.args || "") + " @" + m.session);
    return m.op === "inventory" ? { ok: false, error: { code: "bad-request" } }
      : { protocol: 2, session: asked.length, value: String(m.args) === "{ID}" ? "[class=X]\r\n" : "{ID}" };
  });
  const older = (await outcome((await outcome(load(null, window).connect())).value.inventory(["A", "B"]))).value;
  assert.deepStrictEqual([older.typed, older.sections[0].className, asked.slice(3)],
    [false, "X", ["inventory  @3", "open  @undefined", "call A|B| @5", "call {ID} @5", "close  @5"]]);
});

test("an extension or a host of another protocol: version-mismatch", async () => {
  const rows = [
    [() => ({ version: 1 }), "an extension of protocol 1"],
    [(m) => ({ protocol: m.op === "hello" ? 2 : 3 }), "a host newer than the library"]
  ];
  for (const [answer, what] of rows) {
    const error = (await outcome(load(null, fakeBridge(answer)).connect())).error;
    assert.deepStrictEqual([error.code, error.name], ["version-mismatch", "KestorError"], what + ": " + error.message);
  }
});
