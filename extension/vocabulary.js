// The words the page library, the content script and the background share: the
// operations a page posts, the members it may call, the error codes of its rejections
// and the kind of origin the bridge serves. The extension loads this file as it is;
// the page library's build bakes it in. Plain ES5: IE11 and JScript run the library.
var KestorVocabulary = {
  // Raised when a message changes shape; both ends of the page's hello compare it.
  protocol: 2,
  // What a page posts: hello (the extension's versions), version (the host's), open,
  // call and close (a session), inventory (a session's typed collection of a list).
  ops: { hello: "hello", version: "version", open: "open", call: "call", close: "close", inventory: "inventory" },
  // Each member the bridge calls, with the fewest and most texts it takes.
  members: {
    WMIAttributesOfInterest: [1, 1], SetData: [0, 1], GetData: [1, 1],
    GenerateIdentifier: [0, 0], GetTestData: [0, 0], DateTime: [0, 0]
  },
  errors: {
    INSECURE_ORIGIN: "insecure-origin",
    NOT_INSTALLED: "not-installed",
    HOST_NOT_INSTALLED: "host-not-installed",
    HOST_UNAVAILABLE: "host-unavailable",
    ORIGIN_REFUSED: "origin-refused",
    TOO_MANY_SESSIONS: "too-many-sessions",
    NO_SESSION: "no-session",
    BAD_REQUEST: "bad-request",
    TIMEOUT: "timeout",
    ABORTED: "aborted",
    VERSION_MISMATCH: "version-mismatch",
    FAILED: "failed"
  },
  // An origin as browsers serialize it, of a kind the bridge serves: https, or http on
  // 127.0.0.1 or localhost; any port but the scheme's default, which browsers leave out.
  // bridge/origin.cpp holds the host's copy; tests/data/origin_cases.json binds both.
  servableOrigin: function (origin) {
    var m = /^(https?):\/\/([a-z0-9.-]+|\[[0-9a-f:.]+\])(?::([1-9][0-9]{0,4}))?$/.exec(String(origin));
    if (m === null) return false;
    var https = m[1] === "https", host = m[2], port = m[3];
    if (port !== undefined && port !== "" && (Number(port) > 65535 || port === (https ? "443" : "80"))) return false;
    if (!https) return host === "127.0.0.1" || host === "localhost";
    if (host.charAt(0) === "[") return host.length >= 4;
    return host.length <= 253 && /^[a-z0-9-]{1,63}(\.[a-z0-9-]{1,63})*$/.test(host);
  }
};
