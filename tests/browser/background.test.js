// The extension's background against a fake browser API: what reaches the host, and
// what comes back to each frame, for the cases a real host and page cannot stage.
"use strict";

const test = require("node:test");
const assert = require("node:assert");
const fs = require("fs");
const path = require("path");
const vm = require("vm");

const extension = path.join(__dirname, "..", "..", "extension");
const source = fs.readFileSync(path.join(extension, "background.js"), "utf8");
const ORIGIN_CASES = require("../data/origin_cases.json");

function event() {
  const listeners = [];
  return { addListener: (f) => listeners.push(f), fire: (...a) => listeners.forEach((f) => f(...a)) };
}

function fakePort(name, sender) {
  const port = { name, sender, sent: [], onMessage: event(), onDisconnect: event(), disconnected: false };
  port.postMessage = (m) => port.sent.push(JSON.parse(JSON.stringify(m)));
  port.disconnect = () => { port.disconnected = true; };
  return port;
}

// A background in a fresh context; natives[] holds every native port it opened.
function background() {
  const natives = [];
  const onConnect = event();
  const chrome = {
    runtime: {
      id: "ext",
      onConnect,
      connectNative: (name) => { const p = fakePort(name, null); natives.push(p); return p; }
    }
  };
  const context = vm.createContext({ chrome, URL, Map, Set, Array, Object, JSON });
  context.importScripts = (file) => vm.runInContext(fs.readFileSync(path.join(extension, file), "utf8"), context);
  vm.runInContext(source, context);
  const frame = (sender) => {
    const port = fakePort("kestor", Object.assign({ id: "ext" }, sender));
    onConnect.fire(port);
    return port;
  };
  return { natives, frame, connect: (port) => onConnect.fire(port) };
}

const page = (origin) => ({ url: origin + "/inventory.html", origin });

test("origins: the browser's word, of the kinds the host serves (the host's own cases)", () => {
  const rows = ORIGIN_CASES.map((c) => [page(c.origin), c.allowed, c.why])
    .concat([[{ url: "https://inv.example.com/x" }, false, "no sender.origin: no guess from the URL"]]);
  for (const [sender, allowed, what] of rows) {
    const b = background();
    const frame = b.frame(sender);
    frame.onMessage.fire({ id: 1, op: "open", origin: "https://stated.example" });
    if (!allowed) {
      assert.strictEqual(b.natives.length, 0, what + ": the host is not asked");
      assert.strictEqual(frame.sent[0].error.code, "origin-refused", what);
    } else {
      assert.strictEqual(b.natives[0].sent[0].origin, sender.origin, what);
    }
  }
});

test("replies: by id to their frame, each frame its own host, parts joined in order", () => {
  const b = background();
  const a = b.frame(page("https://a.example")), other = b.frame(page("https://a.example"));
  a.onMessage.fire({ id: "p1", op: "open" });
  other.onMessage.fire({ id: "p1", op: "open" });
  assert.strictEqual(b.natives.length, 2, "one native port for each frame");
  const [host, otherHost] = b.natives;
  otherHost.onMessage.fire({ id: otherHost.sent[0].id, ok: true, session: 9 });
  host.onMessage.fire({ id: host.sent[0].id, ok: true, session: 4 });
  const handle = a.sent[0].session;
  assert.deepStrictEqual(a.sent[0], { ok: true, session: handle, id: "p1" });

  a.onMessage.fire({ id: "p2", op: "call", session: handle, member: "GetData", args: ["{X}"] });
  const call = host.sent[1];
  assert.deepStrictEqual([call.op, call.session, call.member, call.args], ["call", 4, "GetData", ["{X}"]]);
  // Parts out of order, a repeated part ignored.
  host.onMessage.fire({ id: call.id, ok: true, part: 2, parts: 3, value: "c" });
  host.onMessage.fire({ id: call.id, ok: true, part: 0, parts: 3, value: "a" });
  host.onMessage.fire({ id: call.id, ok: true, part: 0, parts: 3, value: "x" });
  assert.strictEqual(a.sent.length, 1, "nothing handed on before every part is in");
  host.onMessage.fire({ id: call.id, ok: true, part: 1, parts: 3, value: "b" });
  assert.deepStrictEqual(a.sent[1], { ok: true, value: "abc", id: "p2" });

  other.onMessage.fire({ id: 7, op: "call", session: handle, member: "GetTestData", args: [] });
  assert.strictEqual(other.sent[1].error.code, "no-session", "another frame's session is not this frame's");

  // A reply the host could not tie to an id settles the oldest request in flight.
  a.onMessage.fire({ id: "p3", op: "call", session: handle, member: "GetData", args: ["\uD800"] });
  a.onMessage.fire({ id: "p4", op: "call", session: handle, member: "GetTestData", args: [] });
  host.onMessage.fire({ id: null, ok: false, error: { code: "bad-request", message: "not JSON" } });
  assert.deepStrictEqual([a.sent[2].id, a.sent[2].error.code, a.sent.length], ["p3", "bad-request", 3]);

  a.onMessage.fire({ id: "p5", op: "inventory", session: handle, queries: "Q|" });
  const { op, session, queries } = host.sent[host.sent.length - 1];
  assert.deepStrictEqual({ op, session, queries }, { op: "inventory", session: 4, queries: "Q|" });

  // The frame goes away: its host ends with it, the other frame's does not.
  a.onDisconnect.fire();
  assert.deepStrictEqual([host.disconnected, otherHost.disconnected], [true, false]);
});

test("requests of a wrong shape are answered here and never reach the host", () => {
  const b = background();
  const f = b.frame(page("https://a.example"));
  const rows = [{ op: "explode" }, { op: "close" }, { op: "call", session: "1", member: "GetTestData", args: [] },
    { op: "call", session: 1, member: "constructor", args: [] }, { op: "call", session: 1, member: "GetData", args: [] },
    { op: "call", session: 1, member: "GetData", args: [[[["x"]]]] }, { op: "inventory", session: 1, queries: ["x"] },
    { op: "inventory", queries: "x|" }];
  rows.forEach((r, i) => f.onMessage.fire(Object.assign({ id: i + 2 }, r)));
  assert.deepStrictEqual(f.sent.map((r) => r.error.code), rows.map(() => "bad-request"));
  assert.strictEqual(b.natives.length, 0);
});

test("the host dies or is missing: host-unavailable or host-not-installed with the browser's words", () => {
  const b = background();
  const f = b.frame(page("https://a.example"));
  f.onMessage.fire({ id: 1, op: "open" });
  b.natives[0].onMessage.fire({ id: b.natives[0].sent[0].id, ok: true, session: 1 });
  const handle = f.sent[0].session;
  f.onMessage.fire({ id: 2, op: "call", session: handle, member: "SetData", args: [] });
  b.natives[0].onDisconnect.fire();
  assert.strictEqual(f.sent[1].error.code, "host-unavailable", "the pending call");
  f.onMessage.fire({ id: 3, op: "call", session: handle, member: "GetTestData", args: [] });
  assert.strictEqual(f.sent[2].error.code, "host-unavailable", "a session of the dead host");
  f.onMessage.fire({ id: 4, op: "open" });
  assert.strictEqual(b.natives.length, 2, "a new host for a new open");
  b.natives[1].error = { message: "Specified native messaging host not found." };
  b.natives[1].onDisconnect.fire();
  assert.deepStrictEqual(f.sent[3].error, { code: "host-not-installed", message: "Specified native messaging host not found." });
});

test("an origin holds a bounded number of hosts", () => {
  const b = background();
  const frames = Array.from({ length: 17 }, () => b.frame(page("https://a.example")));
  frames.forEach((f) => f.onMessage.fire({ id: 1, op: "open" }));
  assert.deepStrictEqual([b.natives.length, frames[16].sent[0].error.code], [16, "too-many-sessions"]);
  frames[0].onDisconnect.fire();
  frames[16].onMessage.fire({ id: 2, op: "open" });
  assert.strictEqual(b.natives.length, 17, "a frame gone frees its place");
});

test("a port of another name or another extension is dropped", () => {
  const b = background();
  const stranger = fakePort("kestor", { id: "someone-else", origin: "https://a.example" });
  b.connect(stranger);
  const misnamed = fakePort("other", { id: "ext", origin: "https://a.example" });
  b.connect(misnamed);
  assert.deepStrictEqual([stranger.disconnected, misnamed.disconnected], [true, true]);
});
