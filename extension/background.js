// Keeps one native port to the Kestor host for every page of the browser and routes
// the replies back by request id. A page's origin is the one the browser reports for
// the frame's port, never one the page states.
"use strict";

const api = typeof browser !== "undefined" ? browser : chrome;
const HOST_NAME = "kestor.bridge";
const ALLOWED_ORIGIN = /^(https:\/\/[^/]+|http:\/\/(127\.0\.0\.1|localhost)(:[0-9]+)?)$/;

// The native port and its generation: sessions of an earlier host are gone with it.
let native = null;
let generation = 0;
let nextNativeId = 1;
// Session handles of one background life: a restarted background starts elsewhere, so
// a page's handle from before does not name a new session by chance.
let nextHandle = 1 + Math.floor(Math.random() * 1e9);
// native id -> { frame, pageId, op, handle, origin, generation, pieces, received }
const inflight = new Map();

function originOf(sender) {
  if (typeof sender.origin === "string" && sender.origin !== "") return sender.origin;
  try {
    return new URL(sender.url).origin;
  } catch (e) {
    return "null";
  }
}

function failure(code, message) {
  return { ok: false, error: { code: code, message: message } };
}

function deliver(frame, pageId, reply) {
  if (frame === null || frame.gone) return;
  reply.id = pageId;
  frame.port.postMessage(reply);
}

function openNative() {
  const port = api.runtime.connectNative(HOST_NAME);
  const mine = { port: port, generation: ++generation };
  native = mine;
  port.onMessage.addListener(onNativeMessage);
  port.onDisconnect.addListener(() => {
    if (native === mine) native = null;
    const pending = Array.from(inflight.values());
    inflight.clear();
    for (const entry of pending) {
      deliver(entry.frame, entry.pageId, failure("host-unavailable", "The Kestor host could not start or ended."));
    }
  });
  return mine;
}

// Sends one request to the host (opening it when none runs) and notes where its reply goes.
function forward(frame, pageId, op, request, handle) {
  const host = native !== null ? native : openNative();
  const id = nextNativeId++;
  inflight.set(id, {
    frame: frame, pageId: pageId, op: op, handle: handle, origin: request.origin,
    generation: host.generation, pieces: null, received: 0
  });
  request.id = id;
  request.op = op;
  try {
    host.port.postMessage(request);
  } catch (e) {
    // The port died between the check and the send; its disconnect answers the request.
  }
}

function onNativeMessage(message) {
  const entry = inflight.get(message.id);
  if (entry === undefined) return;
  let reply = message;
  if (message.ok === true && typeof message.parts === "number") {
    if (entry.pieces === null) entry.pieces = new Array(message.parts);
    if (message.part >= 0 && message.part < entry.pieces.length && entry.pieces[message.part] === undefined) {
      entry.pieces[message.part] = message.value;
      entry.received++;
    }
    if (entry.received < entry.pieces.length) return;
    reply = { ok: true, value: entry.pieces.join("") };
  }
  inflight.delete(message.id);
  finish(entry, reply);
}

function finish(entry, message) {
  const frame = entry.frame;
  if (message.ok !== true) {
    deliver(frame, entry.pageId, { ok: false, error: message.error });
    return;
  }
  if (entry.op === "open") {
    if (frame === null || frame.gone) {
      // The page left before its session opened: nobody will close it but us.
      if (native !== null && native.generation === entry.generation) {
        forward(null, null, "close", { origin: entry.origin, session: message.session }, null);
      }
      return;
    }
    const handle = nextHandle++;
    frame.sessions.set(handle, { session: message.session, generation: entry.generation });
    deliver(frame, entry.pageId, { ok: true, session: handle });
    return;
  }
  if (entry.op === "close" && frame !== null) frame.sessions.delete(entry.handle);
  const reply = { ok: true };
  if (Object.prototype.hasOwnProperty.call(message, "value")) reply.value = message.value;
  deliver(frame, entry.pageId, reply);
}

function onFrameRequest(frame, request) {
  if (request === null || typeof request !== "object") return;
  const pageId = request.id;
  if (typeof pageId !== "number" && typeof pageId !== "string") return;
  if (!ALLOWED_ORIGIN.test(frame.origin)) {
    deliver(frame, pageId, failure("origin-refused", "Only https pages and pages of this computer may use Kestor."));
    return;
  }
  if (request.op === "open") {
    forward(frame, pageId, "open", { origin: frame.origin }, null);
    return;
  }
  if (request.op !== "call" && request.op !== "close") {
    deliver(frame, pageId, failure("bad-request", "Unknown operation."));
    return;
  }
  const known = frame.sessions.get(request.session);
  if (known === undefined) {
    deliver(frame, pageId, failure("no-session", "No such session."));
    return;
  }
  if (native === null || known.generation !== native.generation) {
    frame.sessions.delete(request.session);
    deliver(frame, pageId, failure("host-unavailable", "The Kestor host ended; connect again."));
    return;
  }
  const forwarded = { origin: frame.origin, session: known.session };
  if (request.op === "call") {
    forwarded.member = request.member;
    forwarded.args = request.args;
  }
  forward(frame, pageId, request.op, forwarded, request.session);
}

api.runtime.onConnect.addListener((port) => {
  if (port.name !== "kestor" || port.sender.id !== api.runtime.id) {
    port.disconnect();
    return;
  }
  const frame = { port: port, origin: originOf(port.sender), sessions: new Map(), gone: false };
  port.onMessage.addListener((request) => onFrameRequest(frame, request));
  port.onDisconnect.addListener(() => {
    frame.gone = true;
    for (const known of frame.sessions.values()) {
      if (native !== null && known.generation === native.generation) {
        forward(null, null, "close", { origin: frame.origin, session: known.session }, null);
      }
    }
    frame.sessions.clear();
  });
});
