' samples/Kestor.wsc under Wine's scrobj: registered as an administrator would,
' driven as a host that prefers components does, and unregistered again.
'   script_component.vbs SAMPLES_FOLDER

Dim shell, component, componentPath, first, second, created
Set shell = CreateObject("WScript.Shell")
componentPath = WScript.Arguments(0) & "\Kestor.wsc"

CheckEqual shell.Run("regsvr32 /s /i:""" & componentPath & """ scrobj.dll", 0, True), 0, "the component registers"
Set component = CreateObject("Kestor.ScriptInventory")

component.Queries = "SELECT Name FROM Win32_Processor|SELECT Name|"
CheckEqual component.Queries, "SELECT Name FROM Win32_Processor|SELECT Name|", "the list reads back"
first = component.Collect()
CheckEqual Left(first, 37), "[class=Win32_Processor]" & vbCrLf & "[INSTANCE]" & vbCrLf, "the first query's section"
Check InStr(first, vbCrLf & "[class=SELECT]" & vbCrLf & "[ERROR]=Error executing SELECT Name:") > 0, "the second query's error line"
CheckEqual Len(component.FileId), 38, "the run's file id"
CheckEqual component.Report(component.FileId), first, "the stored report by its id"

' Every Collect runs on a fresh object: the second report does not repeat the first.
component.Queries = "SELECT Caption FROM Win32_OperatingSystem|"
second = component.Collect()
CheckEqual Left(second, 31), "[class=Win32_OperatingSystem]" & vbCrLf, "the second report starts with its own section"
CheckEqual InStr(second, "Win32_Processor"), 0, "nothing of the first run"
CheckEqual component.Report("C:\windows\win.ini"), "", "no file outside the reports"
Set component = Nothing

CheckEqual shell.Run("regsvr32 /s /u /i:""" & componentPath & """ scrobj.dll", 0, True), 0, "the component unregisters"
On Error Resume Next
Set component = CreateObject("Kestor.ScriptInventory")
created = (Err.Number = 0)
On Error GoTo 0
Check Not created, "creation fails once unregistered"

Finish
