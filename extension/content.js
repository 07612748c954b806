// Relays the page library's requests to the background and its replies back. It adds
// nothing to a request: the background takes the origin from the browser, not from here.
"use strict";

(function () {
  const api = typeof browser !== "undefined" ? browser : chrome;
  const V = KestorVocabulary;
  let port = null;
  // Requests in hand (id -> op), and the sessions opened through the current port and
  // through ports that went away: a background that restarted knows none of the latter.
  const pending = new Map();
  let live = new Set();
  const dead = new Set();

  function post(reply) {
    if (pending.get(reply.id) === V.ops.open && reply.ok === true) live.add(reply.session);
    pending.delete(reply.id);
    window.postMessage(Object.assign({ kestorBridge: "reply" }, reply), "*");
  }

  // One port per frame, opened on the first request: the background closes this
  // frame's sessions when it disconnects (the page went away).
  function connect() {
    port = api.runtime.connect({ name: "kestor" });
    port.onMessage.addListener(post);
    // The background went away (the extension was reloaded or updated): nothing will
    // answer what it had in hand.
    port.onDisconnect.addListener(() => {
      port = null;
      for (const session of live) dead.add(session);
      live = new Set();
      for (const id of Array.from(pending.keys())) {
        post({ id: id, ok: false, error: { code: V.errors.HOST_UNAVAILABLE, message: "The extension restarted." } });
      }
    });
  }

  window.addEventListener("message", (event) => {
    const data = event.data;
    if (event.source !== window || data === null || typeof data !== "object" || data.kestorBridge !== "request") {
      return;
    }
    const request = Object.assign({}, data);
    delete request.kestorBridge;
    delete request.origin;
    if (dead.has(request.session) && request.op !== V.ops.open && request.op !== V.ops.hello && request.op !== V.ops.version) {
      post({ id: data.id, ok: false, error: { code: V.errors.HOST_UNAVAILABLE, message: "The extension restarted; connect again." } });
      return;
    }
    if (port === null) connect();
    pending.set(data.id, request.op);
    port.postMessage(request);
  });
})();
