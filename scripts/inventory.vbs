' Drives Kestor.SysKestor exactly as a page does: hand it the query list, let it
' collect, then fetch the stored report by its file id.
Option Explicit

Dim queries, kestor, fileId, report
queries = _
  "SELECT Caption, Version, BuildNumber, OSArchitecture, TotalVisibleMemorySize, FreePhysicalMemory FROM Win32_OperatingSystem|" & _
  "SELECT Manufacturer, Model, NumberOfProcessors, NumberOfLogicalProcessors, TotalPhysicalMemory FROM Win32_ComputerSystem|" & _
  "SELECT Manufacturer, Name, SMBIOSBIOSVersion, ReleaseDate, SerialNumber FROM Win32_BIOS|" & _
  "SELECT Name, Manufacturer, NumberOfCores, NumberOfLogicalProcessors, MaxClockSpeed, ProcessorId FROM Win32_Processor|" & _
  "SELECT BankLabel, DeviceLocator, Capacity, MemoryType, PartNumber, Speed FROM Win32_PhysicalMemory|" & _
  "SELECT DeviceID, DriveType, FileSystem, Size, FreeSpace, VolumeName FROM Win32_LogicalDisk|" & _
  "SELECT Name, AdapterType, MACAddress, Speed FROM Win32_NetworkAdapter|"

If WScript.Arguments.Count > 0 Then queries = WScript.Arguments(0)

Set kestor = CreateObject("Kestor.SysKestor")
kestor.WMIAttributesOfInterest = queries
fileId = kestor.SetData()
If fileId = "" Then
  WScript.Echo "The collection failed: no report was stored."
  WScript.Quit 1
End If
report = kestor.GetData(fileId)
WScript.Echo "File id: " & fileId
WScript.Echo report
