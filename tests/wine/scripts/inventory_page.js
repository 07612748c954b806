// The script logic of samples/inventory.html, taken from the page itself, driving the
// registered component and stand-ins for a page whose object did not load.
//   inventory_page.js SAMPLES_FOLDER

var samples = WScript.Arguments(0);
eval(readText(samples + "\\kestor-report.js"));
var page = readText(samples + "\\inventory.html");
var logicStart = page.indexOf("// BEGIN page logic"), logicEnd = page.indexOf("// END page logic");
check(logicStart > 0 && logicEnd > logicStart, "the page marks its script logic");
eval(page.substring(logicStart, logicEnd));

// The parameter the page hands the object, as the browser would.
var param = /<param name="WMI_ATTRIBUTES_OF_INTEREST" value="([^"]*)">/.exec(page);
check(param !== null, "the page carries the query list parameter");
var pageQueries = param[1];
var pageClasses = pageQueries.match(/FROM Win32_\w+/g);
check(pageClasses.length > 0 && pageQueries.charAt(pageQueries.length - 1) === "|", "every query of the page's list ends with |");

function checkStart(text, start, what) {
  checkEqual(text.substring(0, start.length), start, what);
}

// Two runs of one object: the second shows only what it added.
var kestor = new ActiveXObject("Kestor.SysKestor"), seen = { report: "" };
var first = takeInventory(kestor, pageQueries, seen);
checkEqual(first.failure, undefined, "the page's own list runs");
checkEqual(first.sections.length, pageClasses.length, "one section per query of the page");
for (var c = 0; c < pageClasses.length; c++) {
  checkEqual("FROM " + first.sections[c].className, pageClasses[c], "section " + c + " in list order");
}
checkStart(first.html, "<h2>Win32_OperatingSystem</h2><table><tr><th>Caption</th><th>Version</th><th>OSArchitecture</th></tr><tr><td>",
  "a table with a column per name");
var second = takeInventory(kestor, "SELECT Name FROM Win32_Processor WHERE Name = 'none'|SELECT Name|", seen);
checkEqual(second.sections.length, 2, "the second run shows its own sections only");
checkStart(second.html, "<h2>Win32_Processor</h2><p>No instances.</p><h2>SELECT</h2>", "an empty section says so");
check(second.html.indexOf('<p class="error">Error executing SELECT Name:-2147217385:') > 0, "the error line is shown");
check(second.fileId !== first.fileId, "each run has its own file id");

// The html of shapes the machine decides: markup in values, Unknown, line breaks.
var rows = [
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=<b>&\"x\"\r\n[pname]=B\r\n[pvalue]=Unknown\r\n",
   '<h2>Win32_X</h2><table><tr><th>A</th><th>B</th></tr><tr><td>&lt;b&gt;&amp;&quot;x&quot;</td><td class="unknown">Unknown</td></tr></table>',
   "markup in a value is shown, not run; Unknown is marked"],
  ["[class=Win32_X]\r\n[INSTANCE]\r\n[pname]=A\r\n[pvalue]=1\r\n2\r\n",
   "<h2>Win32_X</h2><table><tr><th>A</th></tr><tr><td>1<br>2</td></tr></table>", "a value across lines"],
  ["[class=]\r\n[ERROR]=Error executing :-1:<i>\r\n",
   '<h2>(no class)</h2><p class="error">Error executing :-1:&lt;i&gt;</p>', "an empty class name, markup in an error"]
];
for (var r = 0; r < rows.length; r++) {
  checkEqual(reportHtml(KestorReport.parse(rows[r][0])), rows[r][1], rows[r][2]);
}

// A page whose object did not load, and a run that stored nothing.
var failed = { SetData: function () { return ""; } };
check(takeInventory(null, "", { report: "" }).failure.indexOf("not installed") > 0, "no object at all");
check(takeInventory({}, "", { report: "" }).failure.indexOf("not installed") > 0, "an object element without the control");
checkEqual(takeInventory(failed, "", { report: "" }).failure, "The collection failed: no report was stored.", "SetData gave no file id");

finish();
