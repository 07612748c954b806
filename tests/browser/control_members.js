// What the control itself answers, for the browser tests to hold the bridge against.
// Runs under cscript with the registered control:
//   control_members.js ROWS_FILE OUT_FOLDER
// ROWS_FILE (UTF-16): a row per line, "<calls>\t<list>" where calls is how many times
// SetData runs on one fresh object (or "typed": Kestor.Inventory's Collect of the list)
// and list is "\u0001" for no list at all. Writes,
// all UTF-16: row<N>.txt (GetData of the last SetData), testdata.txt, identifier.txt,
// datetime.txt, then "done" on standard output.
var files = new ActiveXObject("Scripting.FileSystemObject");
var out = WScript.Arguments(1);

function write(name, text) {
  var stream = files.CreateTextFile(out + "\\" + name, true, true);
  stream.Write(text);
  stream.Close();
}

var input = files.OpenTextFile(WScript.Arguments(0), 1, false, -1);
var rows = input.ReadAll().split("\n");
input.Close();
for (var r = 0; r < rows.length; r++) {
  if (rows[r] === "") continue;
  var tab = rows[r].indexOf("\t");
  var calls = parseInt(rows[r].substring(0, tab), 10), list = rows[r].substring(tab + 1);
  if (rows[r].substring(0, tab) === "typed") { write("row" + r + ".txt", new ActiveXObject("Kestor.Inventory").Collect(list)); continue; }
  var kestor = new ActiveXObject("Kestor.SysKestor"), id = "";
  if (list !== "\u0001") kestor.WMIAttributesOfInterest = list;
  for (var c = 0; c < calls; c++) id = kestor.SetData();
  write("row" + r + ".txt", kestor.GetData(id));
}
var control = new ActiveXObject("Kestor.SysKestor");
write("testdata.txt", control.GetTestData());
write("identifier.txt", control.GenerateIdentifier());
write("datetime.txt", control.DateTime);
WScript.Echo("done");
