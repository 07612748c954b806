// The extension's background against a fake browser API: what reaches the host, and
// what comes back to each frame, for the cases a real host and page cannot stage.
"use strict";

const test = require("node:test");
const assert = require("node:assert");
const fs = require("fs");
const path = require("path");
const vm = require("vm");

const source = fs.readFileSync(path.join(__dirname, "..", "..", "extension", "background.js"), "utf8");

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
  vm.runInNewContext(source, { chrome, URL, Map, Set, Array, Object, JSON });
  const frame = (sender) => {
    const port = fakePort("kestor", Object.assign({ id: "ext" }, sender));
    onConnect.fire(port);
    return port;
  };
  return { natives, frame, connect: (port) => onConnect.fire(port) };
}

const page = (origin) => ({ url: origin + "/inventory.html", origin });

test("origins: the browser's word, and only the allowed kinds reach the host", () => {
  const rows = [
    // [sender, expected origin sent to the host or null when refused, what]
    [page("https://inv.example.com"), "https://inv.example.com", "an https page"],
    [page("http://127.0.0.1:8080"), "http://127.0.0.1:8080", "this computer by address, any port"],
    [page("http://localhost"), "http://localhost", "this computer by name"],
    [{ url: "https://inv.example.com:8443/x" }, "https://inv.example.com:8443", "no sender.origin: taken from the URL"],
    [page("http://inv.example.com"), null, "plain http of another machine"],
    [page("http://127.0.0.1.evil.example"), null, "a name that starts like the address"],
    [page("null"), null, "an opaque origin"],
    [{ url: "file:///C:/inventory.html" }, null, "a file"]
  ];
  for (const [sender, expected, what] of rows) {
    const b = background();
    const frame = b.frame(sender);
    frame.onMessage.fire({ id: 1, op: "open", origin: "https://stated.example" });
    if (expected === null) {
      assert.strictEqual(b.natives.length, 0, what + ": the host is not asked");
      assert.strictEqual(frame.sent[0].error.code, "origin-refused", what);
    } else {
      assert.strictEqual(b.natives[0].sent[0].origin, expected, what);
    }
  }
});

test("replies: by id to their frame, parts joined in order, sessions per frame", () => {
  const b = background();
  const a = b.frame(page("https://a.example")), other = b.frame(page("https://a.example"));
  a.onMessage.fire({ id: "p1", op: "open" });
  other.onMessage.fire({ id: "p1", op: "open" });
  const host = b.natives[0];
  assert.strictEqual(b.natives.length, 1, "one native port for every frame");
  const [openA, openOther] = host.sent;
  assert.notStrictEqual(openA.id, openOther.id, "fresh native ids, whatever the pages chose");
  host.onMessage.fire({ id: openOther.id, ok: true, session: 9 });
  host.onMessage.fire({ id: openA.id, ok: true, session: 4 });
  const handle = a.sent[0].session;
  assert.deepStrictEqual(a.sent[0], { ok: true, session: handle, id: "p1" });

  a.onMessage.fire({ id: "p2", op: "call", session: handle, member: "GetData", args: ["{X}"] });
  const call = host.sent[2];
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
  assert.strictEqual(host.sent.length, 3, "and the host is not asked");

  // The frame goes away: its session is closed at the host, the other frame's is not.
  a.onDisconnect.fire();
  assert.deepStrictEqual([host.sent[3].op, host.sent[3].session, host.sent[3].origin], ["close", 4, "https://a.example"]);
  assert.strictEqual(host.sent.length, 4);
});

test("the host dies: pending and later calls fail with host-unavailable, open starts a new host", () => {
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
  f.onMessage.fire({ id: 5, op: "explode" });
  assert.strictEqual(f.sent[3].error.code, "bad-request", "an unknown operation");
});

test("a port of another name or another extension is dropped", () => {
  const b = background();
  const stranger = fakePort("kestor", { id: "someone-else", origin: "https://a.example" });
  b.connect(stranger);
  const misnamed = fakePort("other", { id: "ext", origin: "https://a.example" });
  b.connect(misnamed);
  assert.deepStrictEqual([stranger.disconnected, misnamed.disconnected], [true, true]);
});
