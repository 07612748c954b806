// Assertion helpers put in front of every JScript test (the twin of assert.vbs).
var testsPassed = 0, testsFailed = 0;

function check(condition, what) {
  if (condition) { testsPassed++; return; }
  testsFailed++;
  WScript.Echo("FAIL: " + what);
}

function checkEqual(actual, expected, what) {
  if (actual === expected) { testsPassed++; return; }
  testsFailed++;
  WScript.Echo("FAIL: " + what + "\n  expected: [" + visible(expected) + "]\n  actual:   [" + visible(actual) + "]");
}

// Line breaks, NULs and anything outside ASCII shown as escapes; long texts cut short.
function visible(text) {
  var shown = String(text);
  if (shown.length > 200) shown = shown.substr(0, 200) + "...(" + shown.length + " characters)";
  return shown.replace(/[^\x20-\x7E]/g, function (c) {
    return "\\u" + ("000" + c.charCodeAt(0).toString(16)).slice(-4);
  });
}

// count copies of text, joined.
function repeated(text, count) { return new Array(count + 1).join(text); }

// The summary line the harness requires; without it the test counts as failed.
function finish() { WScript.Echo(testsPassed + " passed, " + testsFailed + " failed"); }

// The text of a file, for eval at the top level: the Windows Script Host has no include.
function readText(path) {
  var stream = new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(path, 1);
  var text = stream.ReadAll();
  stream.Close();
  return text;
}

// From here on: the test script itself.
