' The stored report, byte for byte, against what this script reads from WMI itself.

Dim wmi, kestor, expected, fileId, report, errorPrefix, rest, lastLine

Set wmi = GetObject("winmgmts:\\.\root\CIMV2")

' The section the component must write for a query on scalar properties.
Function ExpectedSection(query, className, names)
  Dim section, instance, name, value
  section = "[class=" & className & "]" & vbCrLf
  For Each instance In wmi.ExecQuery(query, "WQL", 48)
    section = section & "[INSTANCE]" & vbCrLf
    For Each name In names
      value = instance.Properties_.Item(name).Value
      If IsNull(value) Then value = "Unknown"
      section = section & "[pname]=" & name & vbCrLf & "[pvalue]=" & CStr(value) & vbCrLf
    Next
  Next
  ExpectedSection = section
End Function

Const Processor = "SELECT Name, Manufacturer, NumberOfCores, ProcessorId FROM Win32_Processor"
Const System = "SELECT Caption, BuildNumber, Version, CSDVersion FROM Win32_OperatingSystem WHERE Primary = TRUE"
Const Bios = "SELECT Manufacturer,SMBIOSBIOSVersion , SerialNumber FROM Win32_BIOS"

Set kestor = CreateObject("Kestor.SysKestor")
kestor.WMIAttributesOfInterest = Processor & "|" & System & "|" & Bios & "|"
fileId = kestor.SetData()
CheckEqual Len(fileId), 38, "SetData returns a file id"
expected = ExpectedSection(Processor, "Win32_Processor", Array("Name", "Manufacturer", "NumberOfCores", "ProcessorId")) & _
           ExpectedSection(System, "Win32_OperatingSystem", Array("Caption", "BuildNumber", "Version", "CSDVersion")) & _
           ExpectedSection(Bios, "Win32_BIOS", Array("Manufacturer", "SMBIOSBIOSVersion", "SerialNumber"))
report = kestor.GetData(fileId)
CheckEqual report, expected, "the report of three real classes"
Check InStr(report, "[INSTANCE]") > 0, "WMI returned instances to report"

' A second run on the same object stores everything collected so far, under a new id.
kestor.WMIAttributesOfInterest = "SELECT Name FROM Win32_NoSuchClass|"
Dim secondId
secondId = kestor.SetData()
Check secondId <> fileId, "the second run has its own file id"
CheckEqual kestor.GetData(secondId), expected & "[class=Win32_NoSuchClass]" & vbCrLf, "the second report starts with the first"
CheckEqual kestor.GetData(fileId), expected, "the first report is untouched"

' Misspelt and unreadable names give Unknown for the rest of the instance.
Set kestor = CreateObject("Kestor.SysKestor")
kestor.WMIAttributesOfInterest = "SELECT Nmae, Caption FROM Win32_OperatingSystem|SELECT * FROM Win32_BIOS|"
report = kestor.GetData(kestor.SetData())
CheckEqual report, "[class=Win32_OperatingSystem]" & vbCrLf & "[INSTANCE]" & vbCrLf & _
  "[pname]=Nmae" & vbCrLf & "[pvalue]=Unknown" & vbCrLf & "[pname]=Caption" & vbCrLf & "[pvalue]=Unknown" & vbCrLf & _
  "[class=Win32_BIOS]" & vbCrLf & "[INSTANCE]" & vbCrLf & "[pname]=*" & vbCrLf & "[pvalue]=Unknown" & vbCrLf, _
  "a misspelt first name and the * list"

' Queries WMI rejects: the class line, then one error line with WMI's number.
Set kestor = CreateObject("Kestor.SysKestor")
kestor.WMIAttributesOfInterest = "SELECT Name FROM Win32_BIOS||SELECT Name|"
report = kestor.GetData(kestor.SetData())
expected = ExpectedSection("SELECT Name FROM Win32_BIOS", "Win32_BIOS", Array("Name"))
CheckEqual Left(report, Len(expected)), expected, "the good query before the bad ones"
rest = Mid(report, Len(expected) + 1)
errorPrefix = "[class=]" & vbCrLf & "[ERROR]=Error executing :-2147217400:"
CheckEqual Left(rest, Len(errorPrefix)), errorPrefix, "an empty query: empty class, error line"
rest = Mid(rest, InStr(rest, vbCrLf & "[class=SELECT]") + 2)
errorPrefix = "[class=SELECT]" & vbCrLf & "[ERROR]=Error executing SELECT Name:-2147217385:"
CheckEqual Left(rest, Len(errorPrefix)), errorPrefix, "a query without FROM: class SELECT, error line"
CheckEqual Right(report, 2), vbCrLf, "the report ends with a line break"
lastLine = Split(rest, vbCrLf)
CheckEqual UBound(lastLine), 2, "the error section is two lines"

Finish
