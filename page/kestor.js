// Kestor page library: the members of Kestor.SysKestor as thenables, through the
// ActiveX control where the browser (or script host) creates it, else through the
// Kestor browser extension and its native host. Plain ES5, no dependency, so that
// Internet Explorer 11 (Edge in IE mode) and the Windows Script Host run it as is.
//
//   Kestor.connect({ transport: "auto" | "bridge" | "activex", timeout: 3000 })
//     .then(function (k) { k.WMIAttributesOfInterest = "SELECT ... |"; return k.SetData(); })
//
// Failures reject with an Error whose code is "not-installed", "origin-refused",
// "host-unavailable", "too-many-sessions" or "failed" (then number and description
// are the control's).
var Kestor = (function (global) {
  "use strict";

  var PROG_ID = "Kestor.SysKestor";

  // Callbacks run later where the host has timers (as promises do); the Windows
  // Script Host has none, and there they run at once.
  function later(task) {
    if (typeof setTimeout !== "undefined") setTimeout(task, 0); else task();
  }

  // A small thenable for engines without Promise (Internet Explorer 11, JScript).
  function Thenable(executor) {
    var self = this;
    self._state = 0; // 0 pending, 1 fulfilled, 2 rejected
    self._value = undefined;
    self._waiting = [];
    var settled = false;
    function settle(state, value) {
      if (settled) return;
      settled = true;
      if (state === 1 && value !== null && (typeof value === "object" || typeof value === "function")) {
        var then;
        try {
          then = value.then;
        } catch (e) {
          self._settle(2, e);
          return;
        }
        if (typeof then === "function") {
          settled = false;
          var once = false;
          try {
            then.call(value, function (v) { if (!once) { once = true; settle(1, v); } },
                      function (r) { if (!once) { once = true; settle(2, r); } });
          } catch (e2) {
            if (!once) { once = true; settle(2, e2); }
          }
          return;
        }
      }
      self._settle(state, value);
    }
    try {
      executor(function (v) { settle(1, v); }, function (r) { settle(2, r); });
    } catch (e) {
      settle(2, e);
    }
  }
  Thenable.prototype._settle = function (state, value) {
    this._state = state;
    this._value = value;
    var waiting = this._waiting;
    this._waiting = [];
    for (var i = 0; i < waiting.length; i++) this._run(waiting[i]);
  };
  Thenable.prototype._run = function (w) {
    var self = this;
    later(function () {
      var handler = self._state === 1 ? w.ok : w.fail;
      if (typeof handler !== "function") {
        (self._state === 1 ? w.resolve : w.reject)(self._value);
        return;
      }
      var result;
      try {
        result = handler(self._value);
      } catch (e) {
        w.reject(e);
        return;
      }
      w.resolve(result);
    });
  };
  Thenable.prototype.then = function (ok, fail) {
    var self = this;
    return new Thenable(function (resolve, reject) {
      var w = { ok: ok, fail: fail, resolve: resolve, reject: reject };
      if (self._state === 0) self._waiting.push(w); else self._run(w);
    });
  };
  Thenable.prototype["catch"] = function (fail) { return this.then(undefined, fail); };

  var Future = typeof Promise !== "undefined" ? Promise : Thenable;
  function resolved(value) { return new Future(function (resolve) { resolve(value); }); }
  function rejected(error) { return new Future(function (resolve, reject) { reject(error); }); }

  function failure(code, message, number, description) {
    var error = new Error(message || code);
    error.code = code;
    if (number !== undefined) error.number = number;
    if (description !== undefined) error.description = description;
    return error;
  }

  // ---- The ActiveX control, called directly.
  function ActiveXTransport(control) { this._control = control; }
  ActiveXTransport.create = function () {
    try {
      return new ActiveXTransport(new ActiveXObject(PROG_ID));
    } catch (e) {
      return null;
    }
  };
  ActiveXTransport.prototype.call = function (member, args) {
    var control = this._control;
    if (control === null) return rejected(failure("no-session", "This Kestor object is closed."));
    var value;
    try {
      if (member === "WMIAttributesOfInterest" || (member === "SetData" && args.length > 0)) {
        control.WMIAttributesOfInterest = args[0];
      }
      if (member === "SetData") value = control.SetData();
      else if (member === "GetData") value = control.GetData(args[0]);
      else if (member === "GenerateIdentifier") value = control.GenerateIdentifier();
      else if (member === "GetTestData") value = control.GetTestData();
      else if (member === "DateTime") value = control.DateTime;
    } catch (e) {
      return rejected(failure("failed", e.message || e.description, e.number, e.description));
    }
    return resolved(value);
  };
  ActiveXTransport.prototype.close = function () {
    this._control = null;
    return resolved(undefined);
  };

  // ---- The browser extension: requests posted on this window, answered by its
  // content script (see the bridge protocol).
  var nextId = 1, pending = {}, listening = false;

  function listen() {
    if (listening) return;
    listening = true;
    global.addEventListener("message", function (event) {
      var data = event.data;
      if (event.source !== global || data === null || typeof data !== "object" || data.kestorBridge !== "reply") return;
      var waiter = pending[data.id];
      if (waiter === undefined) return;
      delete pending[data.id];
      waiter(data);
    }, false);
  }

  // Posts one request; the thenable has the reply, or rejects with its error.
  // With a timeout, no reply in time rejects with onTimeout's error.
  function request(fields, timeout, onTimeout) {
    listen();
    return new Future(function (resolve, reject) {
      var id = nextId++, timer = null;
      pending[id] = function (reply) {
        if (timer !== null) clearTimeout(timer);
        if (reply.ok === true) { resolve(reply); return; }
        var e = reply.error || {};
        reject(failure(e.code || "failed", e.message, e.number, e.description));
      };
      if (timeout !== undefined) {
        timer = setTimeout(function () {
          delete pending[id];
          reject(onTimeout());
        }, timeout);
      }
      var message = { kestorBridge: "request", id: id };
      for (var name in fields) if (Object.prototype.hasOwnProperty.call(fields, name)) message[name] = fields[name];
      global.postMessage(message, "*");
    });
  }

  function BridgeTransport(session) { this._session = session; }
  BridgeTransport.open = function (timeout) {
    return request({ op: "hello" }, timeout, function () {
      return failure("not-installed", "The Kestor browser extension did not answer.");
    }).then(function () {
      return request({ op: "open" });
    }).then(function (reply) {
      return new BridgeTransport(reply.session);
    });
  };
  BridgeTransport.prototype.call = function (member, args) {
    return request({ op: "call", session: this._session, member: member, args: args }).then(function (reply) {
      return reply.value;
    });
  };
  BridgeTransport.prototype.close = function () {
    return request({ op: "close", session: this._session }).then(function () { return undefined; });
  };

  // ---- The object pages use.
  var accessors = (function () {
    try {
      var probe = {};
      Object.defineProperty(probe, "x", { get: function () { return 1; } });
      return probe.x === 1;
    } catch (e) {
      return false;
    }
  })();

  function KestorObject(transport) {
    var list; // the query list, sent with the next SetData
    this._transport = transport;
    this._list = function () { return list; };
    if (accessors) {
      // As on the control, the list can be put but not read back.
      Object.defineProperty(this, "WMIAttributesOfInterest", {
        set: function (value) { list = String(value); }, enumerable: true
      });
      Object.defineProperty(this, "DateTime", {
        get: function () { return transport.call("DateTime", []); }, enumerable: true
      });
    } else {
      // Engines without accessors (the Windows Script Host): the list is a plain field
      // read by SetData, and DateTime a thenable that reads the time when asked.
      var self = this;
      this._list = function () { return self.WMIAttributesOfInterest === undefined ? undefined : String(self.WMIAttributesOfInterest); };
      this.DateTime = { then: function (ok, fail) { return transport.call("DateTime", []).then(ok, fail); } };
    }
  }
  KestorObject.prototype.SetData = function () {
    var list = this._list();
    return this._transport.call("SetData", list === undefined ? [] : [list]);
  };
  KestorObject.prototype.GetData = function (fileId) { return this._transport.call("GetData", [String(fileId)]); };
  KestorObject.prototype.GenerateIdentifier = function () { return this._transport.call("GenerateIdentifier", []); };
  KestorObject.prototype.GetTestData = function () { return this._transport.call("GetTestData", []); };
  KestorObject.prototype.close = function () { return this._transport.close(); };

  function connect(options) {
    options = options || {};
    var transport = options.transport || "auto";
    var timeout = options.timeout === undefined ? 3000 : options.timeout;
    if (transport === "auto" || transport === "activex") {
      var control = ActiveXTransport.create();
      if (control !== null) return resolved(new KestorObject(control));
      if (transport === "activex") return rejected(failure("not-installed", "Kestor.SysKestor cannot be created here."));
    } else if (transport !== "bridge") {
      return rejected(new Error("Unknown transport: " + transport));
    }
    if (typeof global.postMessage !== "function") {
      return rejected(failure("not-installed", "No ActiveX control and no window to reach the extension."));
    }
    return BridgeTransport.open(timeout).then(function (bridge) { return new KestorObject(bridge); });
  }

  return { connect: connect };
})(this);
