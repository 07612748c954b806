// Relays the page library's requests to the background and its replies back. It adds
// nothing to a request: the background takes the origin from the browser, not from here.
"use strict";

(function () {
  const api = typeof browser !== "undefined" ? browser : chrome;
  let port = null;
  const pending = new Set();

  function post(reply) {
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
      for (const id of Array.from(pending)) {
        post({ id: id, ok: false, error: { code: "host-unavailable", message: "The extension restarted." } });
      }
    });
  }

  window.addEventListener("message", (event) => {
    const data = event.data;
    if (event.source !== window || data === null || typeof data !== "object" || data.kestorBridge !== "request") {
      return;
    }
    if (data.op === "hello") {
      post({ id: data.id, ok: true, version: 1 });
      return;
    }
    const request = Object.assign({}, data);
    delete request.kestorBridge;
    delete request.origin;
    if (port === null) connect();
    pending.add(data.id);
    port.postMessage(request);
  });
})();
