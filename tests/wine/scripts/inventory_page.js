// The script logic of samples/inventory.html, taken from the page itself, driving the
// registered component through the built library (..\page\kestor.js, as released), and
// stand-ins for a run that stored nothing and for failed connections.
//   inventory_page.js SAMPLES_FOLDER

var samples = WScript.Arguments(0);
eval(readText(samples + "\\..\\page\\kestor.js"));
var page = readText(samples + "\\inventory.html");
check(page.indexOf('<script type="text/javascript" src="../page/kestor.js"></script>') > 0, "the page loads the library");
var logicStart = page.indexOf("// BEGIN page logic"), logicEnd = page.indexOf("// END page logic");
check(logicStart > 0 && logicEnd > logicStart, "the page marks its script logic");
eval(page.substring(logicStart, logicEnd));

var pageQueries = PAGE_QUERIES;
var pageClasses = pageQueries.match(/FROM Win32_\w+/g);
check(pageClasses.length > 0 && pageQueries.charAt(pageQueries.length - 1) === "|", "every query of the page's list ends with |");

// The library's thenables settle at once in the script host; this reads their outcome.
function outcome(thenable) {
  var result = { pending: true };
  thenable.then(function (v) { result = v; }, function (e) { result = { rejected: e }; });
  return result;
}

function checkStart(text, start, what) {
  checkEqual(text.substring(0, start.length), start, what);
}

// Two runs of one object, typed (Kestor.Inventory is registered), each its own sections.
var kestor = outcome(Kestor.connect());
var first = outcome(takeInventory(kestor, ""));
checkEqual(first.typed, true, "the page's own list runs, typed");
checkEqual(first.sections.length, pageClasses.length, "one section per query of the page");
for (var c = 0; c < pageClasses.length; c++) {
  checkEqual("FROM " + first.sections[c]["class"], pageClasses[c], "section " + c + " in list order");
}
checkStart(first.html, "<h2>Win32_OperatingSystem</h2><table><tr><th>Caption</th><th>Version</th><th>OSArchitecture</th></tr><tr><td>",
  "a table with a column per name");
var second = outcome(takeInventory(kestor, "SELECT Name FROM Win32_Processor WHERE Name = 'none'|SELECT Name|"));
checkEqual(second.sections.length, 2, "the second run shows its own sections only");
checkStart(second.html, "<h2>Win32_Processor</h2><p>No instances.</p><h2>", "an empty section says so");
check(second.html.indexOf('<p class="error">The query SELECT Name failed: ') > 0 && second.html.indexOf("(error 0x80041017)") > 0,
  "the error is shown from its number and description");

// The html of shapes the machine decides: markup in values, Unknown, line breaks.
var rows = [
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=<b>&\"x\"\r\n[pname]=B\r\n[pvalue]=Unknown\r\n",
   '<h2>Win32_X</h2><table><tr><th>A</th><th>B</th></tr><tr><td>&lt;b&gt;&amp;&quot;x&quot;</td><td class="unknown">Unknown</td></tr></table>',
   "markup in a value is shown, not run; Unknown is marked"],
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=1\r\n2\r\n",
   "<h2>Win32_X</h2><table><tr><th>A</th></tr><tr><td>1<br>2</td></tr></table>", "a value across lines"],
  ["[class=]\r\n[ERROR]=Error executing :-1:<i>\r\n",
   '<h2>(no class)</h2><p class="error">The query  failed: &lt;i&gt; (error 0xFFFFFFFF)</p>', "an empty class name, markup in an error"],
  ["[class=Win32_LogicalDisk]\r\n[INSTANCE]\r\n[pname]=Size\r\n[pvalue]=500107862016\r\n[pname]=FreeSpace\r\n[pvalue]=1023\r\n",
   "<h2>Win32_LogicalDisk</h2><table><tr><th>Size</th><th>FreeSpace</th></tr><tr><td>465.8 GB</td><td>1023 bytes</td></tr></table>",
   "sizes in readable units"]
];
for (var r = 0; r < rows.length; r++) {
  checkEqual(reportHtml(Kestor.parseReport(rows[r][0]), false), rows[r][1], rows[r][2]);
}
var typed = [{ query: "q", "class": "Win32_X", properties: ["A", "B", "C", "D"], instances: [{ A: ["1", "<2>"], B: 1073741824, C: null, D: { E: true } }],
  warnings: [{ property: "C", number: -2147217407, description: "Not found" }], error: null }];
checkEqual(reportHtml(typed, true), '<h2>Win32_X</h2><p class="unknown">Not read: C (Not found)</p><table><tr><th>A</th><th>B</th><th>C</th><th>D</th></tr>' +
  '<tr><td><ul><li>1</li><li>&lt;2&gt;</li></ul></td><td class="number">1073741824</td><td class="unknown">(none)</td><td><ul><li>E: true</li></ul></td></tr></table>',
  "typed values: an array as a list, a number as a number, null and an embedded object");

checkEqual(reportCsv(typed, true), 'class,instance,property,value\r\n"Win32_X",1,"A","1; <2>"\r\n"Win32_X",1,"B","1073741824"\r\n"Win32_X",1,"C",""\r\n"Win32_X",1,"D","E=true"\r\n',
  "the CSV export of typed values");
checkEqual(reportCsv(Kestor.parseReport("[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=say \"hi\", 1\r\n[class=]\r\n[ERROR]=Error executing :-1:bad\r\n"), false),
  'class,instance,property,value\r\n"Win32_X",1,"A","say ""hi"", 1"\r\n"",,"(error)","The query  failed: bad (error 0xFFFFFFFF)"\r\n', "the CSV export");

// An older install's result, and what each failure of the library tells the reader.
function now(value) { return { then: function (ok) { return now(ok(value)); } }; }
var older = outcome(takeInventory({ inventory: function (list) { return now({ sections: Kestor.parseReport("[class=" + list.join() + "]\r\n"), typed: false }); } }, "A|B|"));
checkEqual(older.html + older.summary, "<h2>A,B</h2><p>No instances.</p>Report (an older Kestor: values as texts), 1 sections", "the list's texts, and a report's sections");
var failures = [
  [{ code: "not-installed" }, "The Kestor component is not installed, or the browser did not let this page load it."],
  [{ code: "origin-refused" }, "This computer's administrator has not allowed this page to take an inventory."],
  [{ code: "timeout" }, "Kestor did not answer in time; try again with fewer queries."],
  [{ code: "failed", number: -2147217392, description: "Invalid class" }, "The collection failed: Invalid class (-2147217392)"],
  [{ code: "bad-request", message: "Unknown member." }, "Kestor is not available: Unknown member."]
];
for (var f = 0; f < failures.length; f++) {
  checkEqual(failureText(failures[f][0]), failures[f][1], "the page explains " + failures[f][0].code);
}
finish();
