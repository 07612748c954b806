// Routes each frame's requests to a native host of its own and the replies back. A
// frame's port gets its own host process, started on its first request and ended with
// the port, so one page's long run never holds up another page's calls (the host
// answers one request at a time). A page's origin is the one the browser reports for
// the frame's port, never one the page states.
"use strict";

if (typeof importScripts === "function") importScripts("vocabulary.js");

const api = typeof browser !== "undefined" ? browser : chrome;
const HOST_NAME = "kestor.bridge";
const V = KestorVocabulary;
const E = V.errors;
// Host processes one origin may hold at once, one per frame that uses Kestor: a page
// that opens frame after frame cannot start processes without end.
const HOSTS_PER_ORIGIN = 16;
// What the browsers say when they find no host of that name for this extension, or
// its manifest does not allow this extension: the host is not installed for us.
const NOT_INSTALLED = /not found|forbidden|no such native application|not have permission/i;

const hostsOf = new Map(); // origin -> live host processes
// Session handles of one background life: a restarted background starts elsewhere, so
// a page's handle from before does not name a new session by chance.
let nextHandle = 1 + Math.floor(Math.random() * 1e9);

const failure = (code, message) => ({ ok: false, error: { code: code, message: message } });
const own = (object, name) => Object.prototype.hasOwnProperty.call(object, name);

function deliver(frame, pageId, reply) {
  if (frame.gone) return;
  reply.id = pageId;
  frame.port.postMessage(reply);
}

// The browser's reason a native port closed: Chromium's runtime.lastError in the
// disconnect listener, Firefox's port.error.
function closeReason(port) {
  const error = port.error || api.runtime.lastError;
  return error && error.message ? String(error.message) : "";
}

function releaseHost(frame, host) {
  if (frame.host === host) frame.host = null;
  const left = (hostsOf.get(frame.origin) || 1) - 1;
  if (left > 0) hostsOf.set(frame.origin, left); else hostsOf.delete(frame.origin);
}

// The frame's host, started when it has none; null when its origin holds too many.
function hostOf(frame) {
  if (frame.host !== null) return frame.host;
  const live = hostsOf.get(frame.origin) || 0;
  if (live >= HOSTS_PER_ORIGIN) return null;
  hostsOf.set(frame.origin, live + 1);
  const host = { port: api.runtime.connectNative(HOST_NAME), nextId: 1, inflight: new Map(), answered: false };
  frame.host = host;
  host.port.onMessage.addListener((message) => onNativeMessage(frame, host, message));
  host.port.onDisconnect.addListener(() => {
    const reason = closeReason(host.port);
    releaseHost(frame, host);
    const reply = !host.answered && NOT_INSTALLED.test(reason)
      ? failure(E.HOST_NOT_INSTALLED, reason)
      : failure(E.HOST_UNAVAILABLE, "The Kestor host could not start or ended" + (reason ? ": " + reason : "."));
    const pending = Array.from(host.inflight.values());
    host.inflight.clear();
    for (const entry of pending) deliver(frame, entry.pageId, JSON.parse(JSON.stringify(reply)));
  });
  return host;
}

// Sends one request to the frame's host and notes where its reply goes.
function forward(frame, pageId, op, request, handle) {
  const host = hostOf(frame);
  if (host === null) {
    deliver(frame, pageId, failure(E.TOO_MANY_SESSIONS, "Too many pages of this site use Kestor at once."));
    return;
  }
  const id = host.nextId++;
  host.inflight.set(id, { pageId: pageId, op: op, handle: handle, pieces: null, received: 0 });
  request.id = id;
  request.op = op === V.ops.version ? "hello" : op;
  request.origin = frame.origin;
  try {
    host.port.postMessage(request);
  } catch (e) {
    // The port died between the check and the send; its disconnect answers the request.
  }
}

function onNativeMessage(frame, host, message) {
  host.answered = true;
  let id = message.id;
  if (id === null) {
    // The host could not read a request's id; it answers in order, so it was the oldest.
    id = host.inflight.keys().next().value;
    message = failure(E.BAD_REQUEST, (message.error && message.error.message) || "The host could not read the request.");
  }
  const entry = host.inflight.get(id);
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
  host.inflight.delete(id);
  finish(frame, host, entry, reply);
}

function finish(frame, host, entry, message) {
  if (message.ok !== true) {
    deliver(frame, entry.pageId, { ok: false, error: message.error || { code: E.FAILED, message: "No reason given." } });
    return;
  }
  let reply = { ok: true };
  if (entry.op === V.ops.open) {
    const handle = nextHandle++;
    frame.sessions.set(handle, { session: message.session, host: host });
    reply.session = handle;
  } else if (entry.op === V.ops.version) {
    reply = { ok: true, protocol: message.protocol, host: message.host };
  } else {
    if (entry.op === V.ops.close) frame.sessions.delete(entry.handle);
    if (own(message, "value")) reply.value = message.value;
  }
  deliver(frame, entry.pageId, reply);
}

// Why a request cannot go to the host, or "" when it has the shape the host reads.
function refusal(request) {
  if (!own(V.ops, request.op)) return "Unknown operation.";
  if (request.op !== V.ops.call && request.op !== V.ops.close && request.op !== V.ops.inventory) return "";
  if (typeof request.session !== "number") return "A session handle is a number.";
  if (request.op === V.ops.close) return "";
  if (request.op === V.ops.inventory) return typeof request.queries === "string" ? "" : "The queries are a text.";
  const shape = typeof request.member === "string" && own(V.members, request.member) ? V.members[request.member] : null;
  if (shape === null) return "Unknown member.";
  const args = request.args;
  if (!Array.isArray(args) || args.length < shape[0] || args.length > shape[1]) return "Wrong arguments for " + request.member + ".";
  return args.every((a) => typeof a === "string") ? "" : "Arguments are texts.";
}

function onFrameRequest(frame, request) {
  if (request === null || typeof request !== "object") return;
  const pageId = request.id;
  if (typeof pageId !== "number" && typeof pageId !== "string") return;
  if (request.op === V.ops.hello) {
    deliver(frame, pageId, { ok: true, protocol: V.protocol, extension: api.runtime.getManifest().version });
    return;
  }
  if (frame.origin === null || !V.servableOrigin(frame.origin)) {
    deliver(frame, pageId, failure(E.ORIGIN_REFUSED, frame.origin === null
      ? "The browser did not say which origin this page has."
      : "Only https pages and pages of this computer may use Kestor."));
    return;
  }
  const why = refusal(request);
  if (why !== "") {
    deliver(frame, pageId, failure(E.BAD_REQUEST, why));
    return;
  }
  if (request.op === V.ops.open || request.op === V.ops.version) {
    forward(frame, pageId, request.op, {}, null);
    return;
  }
  const known = frame.sessions.get(request.session);
  if (known === undefined) {
    deliver(frame, pageId, failure(E.NO_SESSION, "No such session."));
    return;
  }
  if (known.host !== frame.host) {
    frame.sessions.delete(request.session);
    deliver(frame, pageId, failure(E.HOST_UNAVAILABLE, "The Kestor host ended; connect again."));
    return;
  }
  const forwarded = { session: known.session };
  if (request.op === V.ops.call) {
    forwarded.member = request.member;
    forwarded.args = request.args;
  } else if (request.op === V.ops.inventory) {
    forwarded.queries = request.queries;
  }
  forward(frame, pageId, request.op, forwarded, request.session);
}

api.runtime.onConnect.addListener((port) => {
  if (port.name !== "kestor" || port.sender.id !== api.runtime.id) {
    port.disconnect();
    return;
  }
  // No guess from the frame's URL: a sandboxed frame has an opaque origin at its site's address.
  const origin = typeof port.sender.origin === "string" && port.sender.origin !== "" ? port.sender.origin : null;
  const frame = { port: port, origin: origin, sessions: new Map(), host: null, gone: false };
  port.onMessage.addListener((request) => onFrameRequest(frame, request));
  port.onDisconnect.addListener(() => {
    // The page went away: ending its host ends every session it held.
    frame.gone = true;
    frame.sessions.clear();
    const host = frame.host;
    if (host !== null) {
      releaseHost(frame, host);
      host.port.disconnect();
    }
  });
});
