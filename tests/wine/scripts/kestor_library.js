// page/kestor.js over its ActiveX transport, in the script host (JScript without
// Promise or accessors), against the registered control called directly.
//   kestor_library.js PAGE_FOLDER

eval(readText(WScript.Arguments(0) + "\\kestor.js"));

// The library's thenables settle at once here (no timers): a callback that never ran
// is a failure, so every outcome is collected and checked after the call.
function settle(thenable) {
  var outcome = { state: "pending" };
  thenable.then(function (v) { outcome.state = "fulfilled"; outcome.value = v; },
                function (e) { outcome.state = "rejected"; outcome.error = e; });
  return outcome;
}
function valueOf(thenable, what) {
  var outcome = settle(thenable);
  checkEqual(outcome.state, "fulfilled", what + " fulfils");
  return outcome.value;
}

var direct = new ActiveXObject("Kestor.SysKestor");
var connected = settle(Kestor.connect());
checkEqual(connected.state, "fulfilled", "auto picks the control where ActiveXObject creates it");
var k = connected.value;

// Each member gives what the control gives for the same state.
var list = "SELECT Caption, Version FROM Win32_OperatingSystem|SELECT Name FROM Win32_NoSuchClass|SELECT Name|";
k.WMIAttributesOfInterest = list;
direct.WMIAttributesOfInterest = list;
var id = valueOf(k.SetData(), "SetData");
var directId = direct.SetData();
check(/^\{[0-9A-F-]{36}\}$/.test(id), "SetData gives a file id: " + id);
checkEqual(valueOf(k.GetData(id), "GetData"), direct.GetData(directId), "the report is the control's, byte for byte");
checkEqual(valueOf(k.GetData("..\\..\\win.ini"), "GetData of an ill-formed id"), "", "an ill-formed id gives the empty text");
checkEqual(valueOf(k.GetTestData(), "GetTestData"), direct.GetTestData(), "GetTestData");
// The form of a text: any hex digit of an identifier, any run of digits of a time.
var hexForm = function (text) { return String(text).replace(/[0-9A-Fa-f]/g, "h"); };
var digitForm = function (text) { return String(text).replace(/[0-9]+/g, "9"); };
checkEqual(hexForm(valueOf(k.GenerateIdentifier(), "GenerateIdentifier")), hexForm(direct.GenerateIdentifier()), "GenerateIdentifier has the control's form");
checkEqual(digitForm(valueOf(k.DateTime, "DateTime")), digitForm(direct.DateTime), "DateTime has the control's form");

// A second run on the same object: its report keeps the first run, as the control's does.
var second = valueOf(k.SetData(), "a second SetData");
checkEqual(valueOf(k.GetData(second), "GetData of the second run"), direct.GetData(direct.SetData()), "the report keeps earlier runs");

// Chained thenables: a value returned from a callback, a thrown error caught further on.
var chained = settle(k.GetTestData().then(function (v) { return v + "!"; }).then(function (v) { throw new Error(v); })["catch"](function (e) { return e.message; }));
checkEqual(chained.value, direct.GetTestData() + "!", "then and catch pass values and errors along");

// Closed objects and the transports this host does not have.
settle(k.close());
var closed = settle(k.GetTestData());
checkEqual(closed.state + ":" + (closed.error && closed.error.code), "rejected:no-session", "a closed object refuses calls");
var bridge = settle(Kestor.connect({ transport: "bridge" }));
checkEqual(bridge.state + ":" + (bridge.error && bridge.error.code), "rejected:not-installed", "no window, no bridge: not-installed");
checkEqual(settle(Kestor.connect({ transport: "activex" })).state, "fulfilled", "transport activex");
checkEqual(settle(Kestor.connect({ transport: "carrier pigeon" })).state, "rejected", "an unknown transport is refused");

finish();
