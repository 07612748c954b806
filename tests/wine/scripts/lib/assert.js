// Assertion helpers put in front of every JScript test (the twin of assert.vbs).
var testsPassed = 0, testsFailed = 0;

function check(condition, what) {
  if (condition) {
    testsPassed++;
  } else {
    testsFailed++;
    WScript.Echo("FAIL: " + what);
  }
}

// Shows line breaks so byte differences are readable.
function visible(value) {
  return String(value).replace(/\r/g, "\\r").replace(/\n/g, "\\n");
}

function checkEqual(actual, expected, what) {
  if (actual === expected) {
    testsPassed++;
  } else {
    testsFailed++;
    WScript.Echo("FAIL: " + what + "\n  expected: [" + visible(expected) + "]\n  actual:   [" + visible(actual) + "]");
  }
}

// The summary line the harness requires; without it the test counts as failed.
function finish() {
  WScript.Echo(testsPassed + " passed, " + testsFailed + " failed");
}

// The text of a file, for eval at the top level: the Windows Script Host has no include.
function readText(path) {
  var stream = new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(path, 1);
  var text = stream.ReadAll();
  stream.Close();
  return text;
}

// From here on: the test script itself.
