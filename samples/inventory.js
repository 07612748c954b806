// Takes an inventory of this machine through Kestor.SysKestor and prints it section by
// section, read with Kestor.parseReport of the page library (page\kestor.js beside this
// folder, as the release lays them out).
//   cscript //nologo inventory.js ["SELECT ... FROM Win32_X|SELECT ... FROM Win32_Y|"]
// Every query of the list is followed by "|". Exit status: 0 with a report, 1 when the
// collection stored no report, 2 when the component is not installed.
// A 64-bit script host needs the 64-bit component, a 32-bit host the 32-bit one.

var queries =
  "SELECT Caption, Version, BuildNumber, OSArchitecture FROM Win32_OperatingSystem|" +
  "SELECT Manufacturer, Model, NumberOfLogicalProcessors, TotalPhysicalMemory FROM Win32_ComputerSystem|" +
  "SELECT Manufacturer, SMBIOSBIOSVersion, SerialNumber FROM Win32_BIOS|" +
  "SELECT Name, NumberOfCores, MaxClockSpeed FROM Win32_Processor|" +
  "SELECT DeviceID, FileSystem, Size, FreeSpace FROM Win32_LogicalDisk|";
if (WScript.Arguments.length > 0) queries = WScript.Arguments(0);

// The Windows Script Host has no include: the reader is evaluated from its file.
function loadBeside(fileName) {
  var files = new ActiveXObject("Scripting.FileSystemObject");
  var path = files.BuildPath(files.GetParentFolderName(WScript.ScriptFullName), fileName);
  var stream = files.OpenTextFile(path, 1);
  var text = stream.ReadAll();
  stream.Close();
  return text;
}
eval(loadBeside("..\\page\\kestor.js"));

var kestor;
try {
  kestor = new ActiveXObject("Kestor.SysKestor");
} catch (e) {
  WScript.Echo("Kestor.SysKestor cannot be created (error " + e.number +
    "): is the component installed for this script host's bitness?");
  WScript.Quit(2);
}

kestor.WMIAttributesOfInterest = queries;
var fileId = kestor.SetData();
if (fileId === "") {
  WScript.Echo("The collection failed: no report was stored.");
  WScript.Quit(1);
}
WScript.Echo("File id: " + fileId);

var sections = Kestor.parseReport(kestor.GetData(fileId));
for (var s = 0; s < sections.length; s++) {
  var section = sections[s], error = section.error;
  WScript.Echo((section.className === null ? "(no class line)" : section.className) + ": " +
    section.instances.length + " instance(s)");
  for (var i = 0; i < section.instances.length; i++) {
    WScript.Echo("  #" + (i + 1));
    for (var name in section.instances[i]) WScript.Echo("    " + name + " = " + section.instances[i][name]);
  }
  if (error !== null) {
    WScript.Echo("  error: " + (error.query === null ? error.description
      : "Error executing " + error.query + ":" + error.number + ":" + error.description));
  }
}
