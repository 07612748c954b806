// Kestor.parseReport of the built page library on reports the registered component
// writes, checked against what this script reads from WMI itself, and on every kind
// of line, including shapes a live machine rarely gives.
//   kestor_report.js SAMPLES_FOLDER (the library lies in ..\page, as released)

eval(readText(WScript.Arguments(0) + "\\..\\page\\kestor.js"));

// Wine's JScript has no GetObject, and its Enumerator cannot walk a WMI object set:
// the locator and ItemIndex reach the same instances.
var wmi = new ActiveXObject("WbemScripting.SWbemLocator").ConnectServer(".", "root\\CIMV2");

function wmiValues(query, names) {
  var instances = [], set = wmi.ExecQuery(query);
  for (var n = 0; n < set.Count; n++) {
    var properties = [];
    for (var i = 0; i < names.length; i++) {
      var value = set.ItemIndex(n).Properties_.Item(names[i]).Value;
      properties[i] = names[i] + "=" + (value === null ? "Unknown" : String(value));
    }
    instances[instances.length] = properties.join(";");
  }
  return instances.join("|");
}

// One section flattened, so a whole section compares in one line.
function flat(section) {
  var instances = [];
  for (var i = 0; i < section.instances.length; i++) {
    var properties = [];
    for (var name in section.instances[i]) properties[properties.length] = name + "=" + section.instances[i][name];
    instances[i] = properties.join(";");
  }
  return instances.join("|");
}

function run(kestor, queries) {
  kestor.WMIAttributesOfInterest = queries;
  var fileId = kestor.SetData();
  checkEqual(fileId.length, 38, "SetData returns a file id for " + queries);
  return kestor.GetData(fileId);
}

var System = "SELECT Caption, CSDVersion, Version FROM Win32_OperatingSystem";
var Processor = "SELECT Name, NumberOfCores FROM Win32_Processor";
var NoMatch = "SELECT Name FROM Win32_Processor WHERE Name = 'no:such:cpu'";
var NoFrom = "SELECT Name:7:";

var kestor = new ActiveXObject("Kestor.SysKestor");
var first = run(kestor, System + "|" + NoMatch + "||" + NoFrom + "|SELECT Nmae, Caption FROM Win32_OperatingSystem|");
var sections = Kestor.parseReport(first);
checkEqual(sections.length, 5, "one section per query");

checkEqual(sections[0].className, "Win32_OperatingSystem", "class of a real query");
checkEqual(flat(sections[0]), wmiValues(System, ["Caption", "CSDVersion", "Version"]), "instances and values as WMI gives them");
checkEqual(sections[0].error, null, "no error line");

checkEqual(sections[1].className, "Win32_Processor", "class of a query that matches nothing");
checkEqual(sections[1].instances.length, 0, "a section of its class line alone");
checkEqual(sections[1].error, null, "an empty section is no error");

checkEqual(sections[2].className, "", "an empty query: empty class name");
check(sections[2].error !== null, "an empty query has an error line");
checkEqual(sections[2].error.query, "", "the error names the empty query");
checkEqual(sections[2].error.number, -2147217400, "WMI's number, negative");
check(sections[2].error.description.length > 0, "and WMI's description");

checkEqual(sections[3].className, "SELECT", "a query without FROM");
checkEqual(sections[3].error.query, NoFrom, "a query with a number between colons stays whole");
checkEqual(sections[3].error.number, -2147217385, "the number after the query");

checkEqual(flat(sections[4]), "Nmae=Unknown;Caption=Unknown", "a misspelt name: Unknown for it and the rest of the instance");

// A second run of the same object: its report repeats the first in front.
var second = run(kestor, Processor + "|");
var all = Kestor.parseReport(second);
checkEqual(all.length, 6, "the second report holds both runs");
checkEqual(flat(all[0]), flat(sections[0]), "the first run's sections come first");
checkEqual(all[5].className + ":" + flat(all[5]), "Win32_Processor:" + wmiValues(Processor, ["Name", "NumberOfCores"]), "the second run's section last");

// Every kind of line, and shapes a live machine rarely gives: line breaks inside values
// and descriptions, instances without names, colons in the description, error lines
// the runner wrote without a class line (a class name that overflowed).
var rows = [
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=Note\r\n[pvalue]=one\r\ntwo\r\n[pname]=Id\r\n[pvalue]=3\r\n",
   "Win32_X:Note=one\r\ntwo;Id=3:", "a value across two lines"],
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=\r\n",
   "Win32_X:|A=:", "an instance without names, an empty value"],
  ["[class=Win32_X]\r\n[ERROR]=Error executing SELECT A FROM Win32_X:-5:bad: here:\r\nsecond line\r\n[class=Win32_Y]\r\n",
   "Win32_X::-5/bad: here:\r\nsecond line|Win32_Y::", "a description with colons and a line break"],
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=1\r\n[ERROR]=Error executing q:6:overflow\r\n",
   "Win32_X:A=1:|null::6/overflow", "an error line after instances: a section of its own"],
  ["[ERROR]=Error executing q:7:out of memory\r\n[class=Win32_Y]\r\n",
   "null::7/out of memory|Win32_Y::", "an error line before any class line"],
  ["[class=Win32_X]\r\n[ERROR]=not the usual form\r\n", "Win32_X::null/not the usual form", "an error line of another form"],
  ["", "", "the empty report"]
];
for (var r = 0; r < rows.length; r++) {
  var parsed = Kestor.parseReport(rows[r][0]), shown = [];
  for (var s = 0; s < parsed.length; s++) {
    var error = parsed[s].error;
    shown[s] = parsed[s].className + ":" + flat(parsed[s]) + ":" + (error === null ? "" : error.number + "/" + error.description);
  }
  checkEqual(shown.join("|"), rows[r][1], rows[r][2]);
}

var broken = ["[INSTANCE]\r\n", "text\r\n", "[class=Win32_X]\r\n[pvalue]=1\r\n",
  "[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=1\r\n[pvalue]=2\r\n"];
for (var b = 0; b < broken.length; b++) {
  var threw = false;
  try { Kestor.parseReport(broken[b]); } catch (e) { threw = true; }
  check(threw, "not a report: " + visible(broken[b]));
}

finish();
