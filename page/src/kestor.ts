// Kestor page library: the members of Kestor.SysKestor as promises, through the ActiveX
// control where the browser (or script host) creates it, else through the Kestor
// browser extension and its native host. Compiled to ES5 so that Internet Explorer 11
// (Edge in IE mode) and the Windows Script Host run it; where there is no Promise the
// build's bundled one serves.
namespace Kestor {
  const V = KestorVocabulary;
  const PROG_ID = "Kestor.SysKestor";
  const HANDSHAKE_TIMEOUT = 3000;
  const CALL_TIMEOUT = 30000;
  const SET_DATA_TIMEOUT = 600000;

  /** This library's version (the product's). */
  export const version: string = KESTOR_VERSION;
  /** The version of the messages between the library, the extension and the host. */
  export const protocol: number = V.protocol;
  /** The code of every rejection. */
  export const ErrorCode = V.errors;
  /** The Promise the library settles with: the browser's, else the bundled one. */
  export const Promise: PromiseConstructor = KestorPromise;
  export type ErrorCodeValue = (typeof ErrorCode)[keyof typeof ErrorCode];

  export interface KestorError extends Error {
    name: "KestorError";
    code: ErrorCodeValue;
    /** For "failed": the control's error number and description. */
    number?: number;
    description?: string;
  }
  /** The part of an AbortSignal the library uses. */
  export interface AbortSignalLike {
    readonly aborted: boolean;
    addEventListener(type: "abort", listener: () => void): void;
    removeEventListener(type: "abort", listener: () => void): void;
  }
  export interface CallOptions {
    /** Milliseconds before the call rejects with "timeout" and the object closes. */
    timeout?: number;
    /** Rejects the call at once with "aborted". */
    signal?: AbortSignalLike;
  }
  export interface ConnectOptions {
    transport?: "auto" | "bridge" | "activex";
    /** Milliseconds for the handshake (default 3000). */
    timeout?: number;
    /** Milliseconds for each call (default: 10 minutes for SetData, 30 s for the others). */
    callTimeout?: number;
    signal?: AbortSignalLike;
  }
  export interface Status {
    library: string;
    protocol: number;
    /** The extension's version; null over the ActiveX control. */
    extension: string | null;
    /** The native host's version; null over the control, or for a host too old to tell. */
    host: string | null;
    transport: "bridge" | "activex";
  }
  /** A Kestor.SysKestor object. Every member takes an optional last CallOptions. */
  export interface KestorObject {
    /** The query list for the next SetData: put only, it cannot be read back. */
    WMIAttributesOfInterest: string;
    /** The control's date and time text, read on each access. */
    readonly DateTime: PromiseLike<string>;
    SetData(options?: CallOptions): Promise<string>;
    GetData(fileId: string, options?: CallOptions): Promise<string>;
    GenerateIdentifier(options?: CallOptions): Promise<string>;
    GetTestData(options?: CallOptions): Promise<string>;
    close(): Promise<void>;
  }

  const Future: PromiseConstructor = KestorPromise;
  const page: Window | null = typeof window !== "undefined" && typeof window.postMessage === "function" ? window : null;

  function failure(code: ErrorCodeValue, message?: string, number?: number, description?: string): KestorError {
    const error = new Error(message || code) as KestorError;
    error.name = "KestorError";
    error.code = code;
    if (number !== undefined) error.number = number;
    if (description !== undefined) error.description = description;
    return error;
  }
  const rejected = (error: Error): Promise<any> => Future.reject(error);

  // ---- The members, in one table: how many texts each takes, and whether the
  // control has it as a property. The object's methods and both transports follow it.
  interface Member { name: string; args: number; property?: boolean; timeout?: number }
  const MEMBERS: Member[] = [
    { name: "SetData", args: 0, timeout: SET_DATA_TIMEOUT },
    { name: "GetData", args: 1 },
    { name: "GenerateIdentifier", args: 0 },
    { name: "GetTestData", args: 0 },
    { name: "DateTime", args: 0, property: true }
  ];

  interface Transport {
    call(member: string, args: string[], limit: Limit): Promise<any>;
    close(): Promise<void>;
  }
  interface Limit { timeout: number; signal?: AbortSignalLike }

  // ---- The ActiveX control, called directly: it answers at once, nothing to time out.
  class ActiveXTransport implements Transport {
    constructor(private control: any) {}
    static create(): ActiveXTransport | null {
      try {
        return new ActiveXTransport(new ActiveXObject(PROG_ID));
      } catch (e) {
        return null;
      }
    }
    call(member: string, args: string[], limit: Limit): Promise<any> {
      const control = this.control;
      if (control === null) return rejected(failure(V.errors.NO_SESSION, "This Kestor object is closed."));
      if (limit.signal && limit.signal.aborted) return rejected(failure(V.errors.ABORTED, "The call was aborted."));
      let value: any;
      try {
        // The bridge's SetData carries the list; the control has it put first.
        if (member === "SetData" && args.length > 0) control.WMIAttributesOfInterest = args.pop();
        if (member === "DateTime") value = control.DateTime;
        else value = args.length === 0 ? control[member]() : control[member](args[0]);
      } catch (e: any) {
        return rejected(failure(V.errors.FAILED, e.message || e.description, e.number, e.description));
      }
      return Future.resolve(value);
    }
    close(): Promise<void> {
      this.control = null;
      return Future.resolve(undefined);
    }
  }

  // ---- The browser extension: requests posted on this window, answered by its
  // content script (bridge/protocol.md). Every id holds this copy's random token, so
  // another copy of the library on the page never takes a reply of ours.
  const token = (function (): string {
    const c: any = typeof crypto !== "undefined" ? crypto : null;
    if (c !== null && typeof c.getRandomValues === "function") {
      const words = c.getRandomValues(new Uint32Array(4));
      let text = "";
      for (let i = 0; i < words.length; i++) text += words[i].toString(36);
      return text;
    }
    return Math.random().toString(36).slice(2) + Math.random().toString(36).slice(2);
  })();
  let counter = 0;
  const waiting: { [id: string]: (reply: any) => void } = {};
  let listening = false;

  function listen(target: Window): void {
    if (listening) return;
    listening = true;
    target.addEventListener("message", function (event: MessageEvent) {
      const data = event.data;
      if (event.source !== target || data === null || typeof data !== "object" || data.kestorBridge !== "reply") return;
      if (typeof data.id === "string" && Object.prototype.hasOwnProperty.call(waiting, data.id)) waiting[data.id](data);
    }, false);
  }

  interface Ask {
    fields: { [name: string]: any };
    limit: Limit;
    onTimeout(): KestorError;
    /** A reply that arrives after the time ran out. */
    onLate?(reply: any): void;
  }

  // Posts one request: the promise has the reply, or rejects with its error, at the
  // time limit or when the signal aborts.
  function ask(target: Window, a: Ask): Promise<any> {
    listen(target);
    return new Future(function (resolve, reject) {
      const id = token + ":" + ++counter;
      const signal = a.limit.signal;
      let timer: any = null;
      function done(): void {
        delete waiting[id];
        if (timer !== null) clearTimeout(timer);
        if (signal) signal.removeEventListener("abort", onAbort);
      }
      function onAbort(): void {
        done();
        reject(failure(V.errors.ABORTED, "The call was aborted."));
      }
      if (signal && signal.aborted) {
        onAbort();
        return;
      }
      waiting[id] = function (reply: any) {
        done();
        if (reply.ok === true) {
          resolve(reply);
          return;
        }
        const e = reply.error || {};
        reject(failure(e.code || V.errors.FAILED, e.message, e.number, e.description));
      };
      timer = setTimeout(function () {
        done();
        if (a.onLate) waiting[id] = function (reply: any) { delete waiting[id]; a.onLate!(reply); };
        reject(a.onTimeout());
      }, a.limit.timeout);
      if (signal) signal.addEventListener("abort", onAbort);
      const message: { [name: string]: any } = { kestorBridge: "request", id: id };
      for (const name in a.fields) if (Object.prototype.hasOwnProperty.call(a.fields, name)) message[name] = a.fields[name];
      target.postMessage(message, "*");
    });
  }

  const now = (): number => new Date().getTime();

  const late = (deadline: number, limit: Limit): Limit => ({ timeout: Math.max(0, deadline - now()), signal: limit.signal });
  const hostSilent = (limit: Limit) => () => failure(V.errors.TIMEOUT, "The Kestor host did not answer within " + limit.timeout + " ms.");

  // The extension's hello, then the host's, within one time limit: the versions of both,
  // or version-mismatch when either speaks another protocol. A host from before protocol
  // 2 refuses the question (bad-request) or answers without a version: it serves all else.
  function handshake(target: Window, limit: Limit): Promise<{ extension: string; host: string | null }> {
    const deadline = now() + limit.timeout;
    let extension = "";
    return ask(target, {
      fields: { op: V.ops.hello }, limit: limit,
      onTimeout: () => failure(V.errors.NOT_INSTALLED, "The Kestor browser extension did not answer.")
    }).then(function (reply) {
      if (reply.protocol !== V.protocol) {
        throw failure(V.errors.VERSION_MISMATCH, "The Kestor extension speaks protocol " + (reply.protocol || 1) +
          ", this library " + V.protocol + ": update the older one.");
      }
      extension = reply.extension;
      return ask(target, { fields: { op: V.ops.version }, limit: late(deadline, limit), onTimeout: hostSilent(limit) })
        .then(function (reply) {
          return { protocol: reply.protocol || 1, host: reply.host || null };
        }, function (error: KestorError) {
          if (error.code === V.errors.BAD_REQUEST) return { protocol: 1, host: null };
          throw error;
        });
    }).then(function (reply) {
      if (!(reply.protocol >= 1 && reply.protocol <= V.protocol)) {
        throw failure(V.errors.VERSION_MISMATCH, "The Kestor host speaks protocol " + reply.protocol + ", this library " +
          V.protocol + ": update the older one.");
      }
      return { extension: extension, host: reply.host };
    });
  }

  class BridgeTransport implements Transport {
    private closed: string | null = null;
    constructor(private target: Window, private session: number) {}

    static open(target: Window, limit: Limit): Promise<BridgeTransport> {
      const deadline = now() + limit.timeout;
      return handshake(target, limit).then(function () {
        return ask(target, {
          fields: { op: V.ops.open }, limit: late(deadline, limit), onTimeout: hostSilent(limit),
          // A session that opens too late is nobody's: close it.
          onLate: function (reply: any) {
            if (reply.ok === true) target.postMessage({ kestorBridge: "request", id: token + ":" + ++counter, op: V.ops.close, session: reply.session }, "*");
          }
        });
      }).then(function (reply) {
        return new BridgeTransport(target, reply.session);
      });
    }
    call(member: string, args: string[], limit: Limit): Promise<any> {
      if (this.closed !== null) return rejected(failure(V.errors.NO_SESSION, this.closed));
      const self = this;
      return ask(this.target, {
        fields: { op: V.ops.call, session: this.session, member: member, args: args }, limit: limit,
        onTimeout: function () {
          // The host still works on the call; the object is given up, not reused.
          self.close();
          self.closed = "This Kestor object was closed when " + member + " ran out of time.";
          return failure(V.errors.TIMEOUT, member + " did not finish within " + limit.timeout + " ms; this object is closed.");
        }
      }).then((reply) => reply.value);
    }
    close(): Promise<void> {
      if (this.closed !== null) return Future.resolve(undefined);
      this.closed = "This Kestor object is closed.";
      return ask(this.target, {
        fields: { op: V.ops.close, session: this.session }, limit: { timeout: CALL_TIMEOUT },
        onTimeout: () => failure(V.errors.TIMEOUT, "The Kestor host did not close the session in time.")
      }).then(() => undefined);
    }
  }

  // ---- The object pages use.
  const accessors = (function (): boolean {
    try {
      const probe = {};
      Object.defineProperty(probe, "x", { get: function () { return 1; } });
      return (probe as any).x === 1;
    } catch (e) {
      return false;
    }
  })();

  function isOptions(value: any): value is CallOptions {
    return value !== null && typeof value === "object";
  }

  function makeObject(transport: Transport, callTimeout: number | undefined): KestorObject {
    let list: string | undefined; // the query list, sent with the next SetData
    const object: any = {};
    const limitFor = (member: Member, options: any): Limit => {
      const o: CallOptions = isOptions(options) ? options : {};
      const timeout = o.timeout !== undefined ? o.timeout : callTimeout !== undefined ? callTimeout : member.timeout || CALL_TIMEOUT;
      return { timeout: timeout, signal: o.signal };
    };
    const readList = (): string | undefined => accessors ? list
      : object.WMIAttributesOfInterest === undefined ? undefined : String(object.WMIAttributesOfInterest);
    for (let m = 0; m < MEMBERS.length; m++) {
      const member = MEMBERS[m];
      const invoke = function (this: any): Promise<any> {
        const args: string[] = [];
        for (let a = 0; a < member.args; a++) args.push(String(arguments[a]));
        if (member.name === "SetData" && readList() !== undefined) args.push(readList() as string);
        return transport.call(member.name, args, limitFor(member, arguments[member.args]));
      };
      if (!member.property) {
        object[member.name] = invoke;
      } else if (accessors) {
        Object.defineProperty(object, member.name, { get: invoke, enumerable: true });
      } else {
        // No accessors (the Windows Script Host): a thenable that reads when asked.
        object[member.name] = { then: (ok: any, fail: any) => invoke().then(ok, fail) };
      }
    }
    if (accessors) {
      // As on the control, the list can be put but not read back.
      Object.defineProperty(object, "WMIAttributesOfInterest", {
        set: function (value: any) { list = String(value); }, enumerable: true
      });
    }
    object.close = () => transport.close();
    return object as KestorObject;
  }

  // The document's origin: a frame of its own document (srcdoc) has its parent's, while
  // its location says about:srcdoc. Browsers without window.origin (IE11) go by location.
  function pageOrigin(target: Window): string {
    const l = target.location;
    return (target as any).origin || l.origin || l.protocol + "//" + l.host;
  }

  function bridgeTarget(): Window | KestorError {
    if (page === null) return failure(V.errors.NOT_INSTALLED, "No ActiveX control and no window to reach the extension.");
    if (!V.servableOrigin(pageOrigin(page))) {
      return failure(V.errors.INSECURE_ORIGIN, "Kestor serves https pages and pages of this computer only, not " + pageOrigin(page) + ".");
    }
    return page;
  }

  function limitOf(options: ConnectOptions): Limit {
    return { timeout: options.timeout === undefined ? HANDSHAKE_TIMEOUT : options.timeout, signal: options.signal };
  }

  /** A Kestor object of its own session. */
  export function connect(options?: ConnectOptions): Promise<KestorObject> {
    const o = options || {};
    const transport = o.transport || "auto";
    if (transport === "auto" || transport === "activex") {
      const control = ActiveXTransport.create();
      if (control !== null) return Future.resolve(makeObject(control, o.callTimeout));
      if (transport === "activex") return rejected(failure(V.errors.NOT_INSTALLED, PROG_ID + " cannot be created here."));
    } else if (transport !== "bridge") {
      return rejected(new Error("Unknown transport: " + transport));
    }
    const target = bridgeTarget();
    if (!(target === page)) return rejected(target as KestorError);
    return BridgeTransport.open(page, limitOf(o)).then((bridge) => makeObject(bridge, o.callTimeout));
  }

  /** The versions of the library, the extension and the host, without opening a session. */
  export function status(options?: ConnectOptions): Promise<Status> {
    const o = options || {};
    if (o.transport !== "bridge" && ActiveXTransport.create() !== null) {
      return Future.resolve({ library: version, protocol: V.protocol, extension: null, host: null, transport: "activex" as const });
    }
    const target = bridgeTarget();
    if (!(target === page)) return rejected(target as KestorError);
    return handshake(page, limitOf(o)).then((versions) => ({
      library: version, protocol: V.protocol, extension: versions.extension, host: versions.host, transport: "bridge" as const
    }));
  }
}
