' A long query list leaves no process behind: every query binds through the locator,
' where a moniker would start a surrogate host that never ends.

Dim services, before, kestor, list, i, fileId

Function SurrogateCount()
  Dim process, count
  count = 0
  For Each process In services.ExecQuery("SELECT Name FROM Win32_Process", "WQL", 48)
    If LCase(process.Name) = "dllhost.exe" Then count = count + 1
  Next
  SurrogateCount = count
End Function

Set services = CreateObject("WbemScripting.SWbemLocator").ConnectServer(".", "root\CIMV2")
before = SurrogateCount()
list = ""
For i = 1 To 100
  list = list & "SELECT Caption FROM Win32_OperatingSystem|"
Next
Set kestor = CreateObject("Kestor.SysKestor")
kestor.WMIAttributesOfInterest = list
fileId = kestor.SetData()
CheckEqual Len(fileId), 38, "the report of 100 queries is stored"
CheckEqual UBound(Split(kestor.GetData(fileId), "[class=Win32_OperatingSystem]")), 100, "every query ran"
CheckEqual SurrogateCount(), before, "no surrogate host left running"

Finish
