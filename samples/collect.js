// Takes a typed inventory of this machine through Kestor.Inventory and prints its JSON:
// {"sections": [{"query", "class", "properties", "instances", "warnings", "error"}]},
// with numbers, Booleans, arrays and embedded objects as WMI gives them.
//   cscript //nologo collect.js ["SELECT ... FROM Win32_X|SELECT ... FROM Win32_Y|"]
// Every query of the list is followed by "|". Exit status: 0 with a result, 2 when the
// component is not installed for this script host's bitness.

var queries =
  "SELECT Caption, Version, BuildNumber, OSArchitecture FROM Win32_OperatingSystem|" +
  "SELECT Manufacturer, Model, NumberOfLogicalProcessors, TotalPhysicalMemory FROM Win32_ComputerSystem|" +
  "SELECT Manufacturer, SMBIOSBIOSVersion, SerialNumber FROM Win32_BIOS|" +
  "SELECT Name, NumberOfCores, MaxClockSpeed FROM Win32_Processor|" +
  "SELECT DeviceID, FileSystem, Size, FreeSpace FROM Win32_LogicalDisk|" +
  "SELECT Description, IPAddress, MACAddress FROM Win32_NetworkAdapterConfiguration WHERE IPEnabled = TRUE|";
if (WScript.Arguments.length > 0) queries = WScript.Arguments(0);

var inventory;
try {
  inventory = new ActiveXObject("Kestor.Inventory");
} catch (e) {
  WScript.Echo("Kestor.Inventory cannot be created (error " + e.number +
    "): is the component installed for this script host's bitness?");
  WScript.Quit(2);
}

WScript.Echo(inventory.Collect(queries));
