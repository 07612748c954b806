// extension/vocabulary.js, which the build puts in front of the library.
declare var KestorVocabulary: {
  protocol: number;
  ops: { hello: "hello"; version: "version"; open: "open"; call: "call"; close: "close"; inventory: "inventory" };
  members: { [member: string]: [number, number] };
  errors: {
    INSECURE_ORIGIN: "insecure-origin";
    NOT_INSTALLED: "not-installed";
    HOST_NOT_INSTALLED: "host-not-installed";
    HOST_UNAVAILABLE: "host-unavailable";
    ORIGIN_REFUSED: "origin-refused";
    TOO_MANY_SESSIONS: "too-many-sessions";
    NO_SESSION: "no-session";
    BAD_REQUEST: "bad-request";
    TIMEOUT: "timeout";
    ABORTED: "aborted";
    VERSION_MISMATCH: "version-mismatch";
    FAILED: "failed";
  };
  servableOrigin(origin: string): boolean;
};

// The engine's Promise, or where it has none promise-polyfill, which the build bundles.
declare var KestorPromise: PromiseConstructor;
// The product's version, which the build writes in.
declare var KESTOR_VERSION: string;
declare var ActiveXObject: new (progId: string) => any;
