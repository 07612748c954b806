' Takes an inventory of this machine through Kestor.SysKestor and prints the report.
'   cscript //nologo inventory.vbs ["SELECT ... FROM Win32_X|SELECT ... FROM Win32_Y|"]
' Every query of the list is followed by "|". Exit status: 0 with a report, 1 when the
' collection stored no report, 2 when the component is not installed.
' A 64-bit script host needs the 64-bit component, a 32-bit host the 32-bit one.
Option Explicit

Dim queries, kestor, fileId
queries = _
  "SELECT Caption, Version, BuildNumber, OSArchitecture, TotalVisibleMemorySize, FreePhysicalMemory FROM Win32_OperatingSystem|" & _
  "SELECT Manufacturer, Model, NumberOfProcessors, NumberOfLogicalProcessors, TotalPhysicalMemory FROM Win32_ComputerSystem|" & _
  "SELECT Manufacturer, Name, SMBIOSBIOSVersion, ReleaseDate, SerialNumber FROM Win32_BIOS|" & _
  "SELECT Name, Manufacturer, NumberOfCores, NumberOfLogicalProcessors, MaxClockSpeed, ProcessorId FROM Win32_Processor|" & _
  "SELECT BankLabel, DeviceLocator, Capacity, MemoryType, PartNumber, Speed FROM Win32_PhysicalMemory|" & _
  "SELECT DeviceID, DriveType, FileSystem, Size, FreeSpace, VolumeName FROM Win32_LogicalDisk|" & _
  "SELECT Name, AdapterType, MACAddress, Speed FROM Win32_NetworkAdapter|"
If WScript.Arguments.Count > 0 Then queries = WScript.Arguments(0)

On Error Resume Next
Set kestor = CreateObject("Kestor.SysKestor")
If Err.Number <> 0 Then
  WScript.Echo "Kestor.SysKestor cannot be created (error " & Err.Number & "): is the component installed for this script host's bitness?"
  WScript.Quit 2
End If
On Error GoTo 0

kestor.WMIAttributesOfInterest = queries
fileId = kestor.SetData()
If fileId = "" Then
  WScript.Echo "The collection failed: no report was stored."
  WScript.Quit 1
End If
WScript.Echo "File id: " & fileId
WScript.Echo kestor.GetData(fileId)
