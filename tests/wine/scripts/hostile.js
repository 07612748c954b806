// What a hostile page can hand the object: file ids aimed at files inside and outside
// the temporary folder, and query lists built to overflow or confuse. JScript, since
// it writes any 16-bit unit ("\uFF3C", a lone "\uD800") where Wine's VBScript cannot.

var fso = new ActiveXObject("Scripting.FileSystemObject");
var temp = fso.GetSpecialFolder(2).Path;  // no trailing backslash
var kestor = new ActiveXObject("Kestor.SysKestor");

kestor.WMIAttributesOfInterest = "SELECT Caption FROM Win32_OperatingSystem|";
var realId = kestor.SetData();
checkEqual(realId.length, 38, "the real report is stored");
var realReport = kestor.GetData(realId);
check(realReport.indexOf("[class=Win32_OperatingSystem]\r\n[INSTANCE]\r\n") === 0, "the real report: " + visible(realReport));

// Files an id must never reach: one beside the reports, one at the root of C:.
function plant(path, content) {
  var file = fso.CreateTextFile(path, true);
  file.Write(content);
  file.Close();
}
var insideName = "planted";
var outsideName = "kestor-planted.txt";
plant(temp + "\\" + insideName, "PLANTED INSIDE");
plant("C:\\" + outsideName, "PLANTED OUTSIDE");
// From the temporary folder up to the root of its drive: one ".." per folder.
var up = repeated("..\\", temp.split("\\").length - 1);
var tempLeaf = temp.substr(temp.lastIndexOf("\\") + 1);
var scriptPath = WScript.ScriptFullName;  // a real file on Z:, another drive
var body = realId.substr(1, 36);          // the GUID without its braces
var digits7 = "1234567";

var hostileIds = [
  ["traversal with \\ to C:", up + outsideName],
  ["traversal with / to C:", up.replace(/\\/g, "/") + outsideName],
  ["traversal out and back to a real report", "..\\" + tempLeaf + "\\" + realId],
  ["traversal with a mix of separators", "../" + tempLeaf + "\\" + realId],
  ["a planted file beside the reports", insideName],
  ["absolute path", "C:\\" + outsideName],
  ["drive-relative path", "C:" + outsideName],
  ["root of the current drive", "\\" + outsideName],
  ["another drive", scriptPath],
  ["absolute path to a real report", temp + "\\" + realId],
  ["\\\\?\\ prefix", "\\\\?\\C:\\" + outsideName],
  ["\\\\?\\ prefix to a real report", "\\\\?\\" + temp + "\\" + realId],
  ["\\\\.\\ prefix", "\\\\.\\C:\\" + outsideName],
  ["\\\\?\\GLOBALROOT", "\\\\?\\GLOBALROOT\\??\\C:\\" + outsideName],
  ["UNC path", "\\\\localhost\\C$\\" + outsideName],
  ["UNC path in \\\\?\\ form", "\\\\?\\UNC\\localhost\\C$\\" + outsideName],
  ["device CON", "CON"],
  ["device CONIN$", "CONIN$"],
  ["device CONOUT$", "CONOUT$"],
  ["device NUL", "NUL"],
  ["device AUX", "AUX"],
  ["device COM1", "COM1"],
  ["device LPT1", "LPT1"],
  ["device with an extension", "CON.txt"],
  ["device in \\\\.\\ form", "\\\\.\\CONIN$"],
  ["stream of a planted file", insideName + ":stream"],
  ["default stream of a planted file", insideName + "::$DATA"],
  ["default stream of a real report", realId + "::$DATA"],
  ["named stream of a real report", realId + ":x"],
  ["wildcard *", "*"],
  ["wildcard in a name", "plant*"],
  ["wildcards in GUID shape", "{????????-????-????-????-????????????}"],
  ["wildcards in digit shape", "???????"],
  ["trailing blank", realId + " "],
  ["trailing dot", realId + "."],
  ["leading blank", " " + realId],
  ["trailing dot on a planted file", insideName + "."],
  ["digits with a trailing dot", digits7 + "."],
  ["NUL after a real id", realId + "\0"],
  ["NUL before a real id", "\0" + realId],
  ["NUL then traversal", realId + "\0..\\..\\" + outsideName],
  ["NUL inside the digit form", "123\0567"],
  ["10^5 letters", repeated("A", 100000)],
  ["10^5 digits", repeated("1", 100000)],
  ["10^5 characters of traversal", repeated("..\\", 33333) + "x"],
  ["full-width braces", "\uFF5B" + body + "\uFF5D"],
  ["full-width digits", "\uFF11\uFF12\uFF13\uFF14\uFF15\uFF16\uFF17"],
  ["Arabic-Indic digits", "\u0661\u0662\u0663\u0664\u0665\u0666\u0667"],
  ["full-width reverse solidus traversal", repeated("..\uFF3C", 3) + outsideName],
  ["small reverse solidus traversal", repeated("..\uFE68", 3) + outsideName],
  ["division slash traversal", repeated("..\u2215", 3) + outsideName],
  ["one-dot leaders for dots", repeated("\u2024\u2024\\", 3) + outsideName],
  ["full-width colon for a drive", "C\uFF1A\\" + outsideName],
  ["Cyrillic A in the GUID", "{" + body.substr(0, 35) + "\u0410}"],
  ["full-width hyphen in the GUID", "{" + body.substr(0, 8) + "\uFF0D" + body.substr(9) + "}"],
  ["unpaired high surrogate in the GUID", "{\uD800" + body.substr(1) + "}"],
  ["unpaired low surrogate in the digits", "123456\uDC00"],
  ["lone surrogate alone", "\uDFFF"],
  ["surrogate pair for a digit", "123456\uD835\uDFCF"]
];

for (var i = 0; i < hostileIds.length; i++) {
  var answer = kestor.GetData(hostileIds[i][1]);
  checkEqual(answer, "", "GetData refuses " + hostileIds[i][0] + " [" + visible(hostileIds[i][1]) + "]");
}
WScript.Echo(hostileIds.length + " hostile file ids tried");

// The host is alive and the store unharmed.
checkEqual(kestor.GetData(realId), realReport, "the real report reads back after the hostile ids");
checkEqual(new ActiveXObject("Kestor.SysKestor").GetData(realId), realReport, "and from a new object");
checkEqual(kestor.GetTestData(), "WMI simulation", "the object still answers");
checkEqual(fso.OpenTextFile(temp + "\\" + insideName).ReadAll(), "PLANTED INSIDE", "the inside plant is untouched");
checkEqual(fso.OpenTextFile("C:\\" + outsideName).ReadAll(), "PLANTED OUTSIDE", "the outside plant is untouched");
fso.DeleteFile(temp + "\\" + insideName);
fso.DeleteFile("C:\\" + outsideName);

// Every line of a report is one of the five kinds the format has.
function lineShapeFault(report) {
  if (report === "") return "";
  if (report.substr(report.length - 2) !== "\r\n") return "no line break at the end";
  // Wine's split stops at a NUL, so NULs are shown as a symbol first.
  var lines = report.substr(0, report.length - 2).replace(/\x00/g, "\u2400").split("\r\n");
  for (var n = 0; n < lines.length; n++) {
    if (!/^(\[class=[\s\S]*\]|\[INSTANCE\]|\[pname\]=[\s\S]*|\[pvalue\]=[\s\S]*|\[ERROR\]=Error executing [\s\S]*:-?\d+:[\s\S]*)$/.test(lines[n])) {
      return "line " + (n + 1) + ": " + visible(lines[n]);
    }
  }
  return "";
}

// Hostile lists: each run keeps what the object collected before at the front. A
// third entry: the list is refused as a whole, so SetData must give nothing.
var hostileLists = [
  ["10^6 characters in a condition", "SELECT Name FROM Win32_BIOS WHERE Name = '" + repeated("x", 1000000) + "'|"],
  ["10^6 characters without a blank or FROM", repeated("A", 1000000) + "|"],
  ["10^6 characters before Win32_", "SELECT " + repeated("N", 1000000) + " FROM Win32_BIOS|"],
  ["40,000 separators", repeated("|", 40000), true],
  ["40,000 commas in the select list", "SELECT " + repeated(",", 40000) + " FROM Win32_BIOS|"],
  ["40,000 commas in a condition", "SELECT Name FROM Win32_BIOS WHERE " + repeated(",", 40000) + "|"],
  ["NUL at the end of a query", "SELECT Name FROM Win32_BIOS\0|"],
  ["NUL inside a property name", "SELECT Na\0me FROM Win32_BIOS|"],
  ["NULs only", "\0\0\0|\0|"]
];

var before = realReport;
for (var k = 0; k < hostileLists.length; k++) {
  var what = hostileLists[k][0];
  kestor.WMIAttributesOfInterest = hostileLists[k][1];
  var id = kestor.SetData();
  check(id === "" || id.length === 38, what + ": SetData gives an id or nothing, got " + visible(id));
  if (hostileLists[k][2]) checkEqual(id, "", what + ": SetData gives nothing");
  if (id === "") {
    WScript.Echo(what + ": no report stored");
    continue;
  }
  var report = kestor.GetData(id);
  checkEqual(report.substr(0, before.length), before, what + ": the earlier report stays in front");
  checkEqual(lineShapeFault(report.substr(before.length)), "", what + ": the report keeps its shape");
  WScript.Echo(what + ": stored, " + (report.length - before.length) + " characters added");
  before = report;
}
WScript.Echo(hostileLists.length + " hostile query lists tried");

// A good run afterwards stores everything collected so far.
kestor.WMIAttributesOfInterest = "SELECT Caption FROM Win32_OperatingSystem|";
var lastId = kestor.SetData();
checkEqual(lastId.length, 38, "a good run after the hostile lists stores its report");
var last = kestor.GetData(lastId);
checkEqual(last.substr(0, before.length), before, "the good run keeps everything before it");
checkEqual(last.substr(before.length), realReport, "and adds its own section");
checkEqual(kestor.GetData(realId), realReport, "the first report is untouched");
finish();
