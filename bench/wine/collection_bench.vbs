' Times one query list three ways, alternating, round after round:
'   kestor  a fresh Kestor.SysKestor, SetData and GetData (what a page does)
'   bare    bind once, run every query and read every property, build nothing
'   concat  the same walk building the report by concatenation, written with FileSystemObject
'   collect a fresh Kestor.Inventory, Collect: the typed JSON of the same list
' Timer moves in coarse steps under Wine, so every figure is a loop of at least
' MinSeconds divided by its count. Prints "round <n> <way> <seconds per collection>".
'   cscript collection_bench.vbs documented|wide ROUNDS
Option Explicit

Const MinSeconds = 1.0
Const Documented = "SELECT Caption, Version, BuildNumber, OSArchitecture, TotalVisibleMemorySize, FreePhysicalMemory FROM Win32_OperatingSystem|SELECT Manufacturer, Model, NumberOfProcessors, NumberOfLogicalProcessors, TotalPhysicalMemory FROM Win32_ComputerSystem|SELECT Manufacturer, Name, SMBIOSBIOSVersion, ReleaseDate, SerialNumber FROM Win32_BIOS|SELECT Name, Manufacturer, NumberOfCores, NumberOfLogicalProcessors, MaxClockSpeed, ProcessorId FROM Win32_Processor|SELECT BankLabel, DeviceLocator, Capacity, MemoryType, PartNumber, Speed FROM Win32_PhysicalMemory|SELECT DeviceID, DriveType, FileSystem, Size, FreeSpace, VolumeName FROM Win32_LogicalDisk|SELECT Name, AdapterType, MACAddress, Speed FROM Win32_NetworkAdapter|"

' Fixed arrays: ReDim is not safe in every script engine this runs on.
Dim queryList, queries(63), names(63), queryCount, fso, tempFolder
' Report files written inside a timed loop, deleted once it ends: deleting is no part
' of a collection.
Dim writtenPaths(9999), writtenCount
writtenCount = 0

Sub Written(path)
  If writtenCount > UBound(writtenPaths) Then DeleteWritten
  writtenPaths(writtenCount) = path
  writtenCount = writtenCount + 1
End Sub

Sub DeleteWritten()
  Dim i
  For i = 0 To writtenCount - 1
    fso.DeleteFile writtenPaths(i)
  Next
  writtenCount = 0
End Sub

' One query naming 1000 properties of the single operating-system instance.
Function WideList()
  Dim pool, text, i
  pool = Array("Caption", "Version", "BuildNumber", "OSArchitecture", "TotalVisibleMemorySize", _
               "FreePhysicalMemory", "CSDVersion", "Manufacturer", "Name", "SerialNumber")
  text = "SELECT "
  For i = 0 To 999
    If i > 0 Then text = text & ", "
    text = text & pool(i Mod 10)
  Next
  WideList = text & " FROM Win32_OperatingSystem|"
End Function

' The queries of the list (every one followed by "|") and their property names, split
' as the component splits them: the names between SELECT and FROM, at the commas.
Sub ParseList(list)
  Dim pieces, i, q, fromAt, j, parts
  pieces = Split(list, "|")
  queryCount = UBound(pieces)
  If queryCount > 64 Then Err.Raise 6, "bench", "at most 64 queries"
  For i = 0 To queryCount - 1
    q = pieces(i)
    queries(i) = q
    fromAt = InStr(1, q, " FROM ", vbTextCompare)
    parts = Split(Mid(q, 8, fromAt - 8), ",")
    For j = 0 To UBound(parts)
      parts(j) = Trim(parts(j))
    Next
    names(i) = parts
  Next
End Sub

Function ClassOf(query)
  Dim at
  at = InStr(1, query, " FROM ", vbTextCompare)
  ClassOf = Trim(Mid(query, at + 6))
End Function

Sub RunKestor()
  Dim kestor, fileId, report
  Set kestor = CreateObject("Kestor.SysKestor")
  kestor.WMIAttributesOfInterest = queryList
  fileId = kestor.SetData()
  If fileId = "" Then Err.Raise 5, "bench", "SetData stored no report"
  report = kestor.GetData(fileId)
  Written tempFolder & "\" & fileId
End Sub

' Binds as a script run on its own would, once per collection: its own locator and one
' connection, as the component makes one locator per object.
Function Bind()
  Set Bind = CreateObject("WbemScripting.SWbemLocator").ConnectServer(".", "root\CIMV2")
End Function

Sub RunBare()
  Dim services, i, instance, name, value
  Set services = Bind()
  For i = 0 To queryCount - 1
    For Each instance In services.ExecQuery(queries(i), "WQL", 48)
      For Each name In names(i)
        ReadValue instance, name, value
      Next
    Next
  Next
End Sub

' A name the class does not have fails the read; the component reports it, so both
' scripts go on.
Sub RunCollect()
  If Len(CreateObject("Kestor.Inventory").Collect(queryList)) = 0 Then Err.Raise 5, "bench", "Collect gave nothing"
End Sub

Function ReadValue(instance, name, value)
  On Error Resume Next
  value = instance.Properties_.Item(name).Value
  ReadValue = (Err.Number = 0)
End Function

' The value text as the component writes it: "Unknown" for a null, an unreadable or an
' unconvertible value, and for every later name of an instance once one failed.
Function ValueText(instance, name, failed)
  Dim value
  If Not failed Then failed = Not ReadValue(instance, name, value)
  If Not failed Then
    If IsNull(value) Then
      ValueText = "Unknown"
      Exit Function
    End If
    On Error Resume Next
    ValueText = CStr(value)
    failed = (Err.Number <> 0)
  End If
  If failed Then ValueText = "Unknown"
End Function

Function ConcatReport()
  Dim services, i, instance, name, report, failed
  Set services = Bind()
  report = ""
  For i = 0 To queryCount - 1
    report = report & "[class=" & ClassOf(queries(i)) & "]" & vbCrLf
    For Each instance In services.ExecQuery(queries(i), "WQL", 48)
      report = report & "[INSTANCE]" & vbCrLf
      failed = False
      For Each name In names(i)
        report = report & "[pname]=" & name & vbCrLf & "[pvalue]=" & ValueText(instance, name, failed) & vbCrLf
      Next
    Next
  Next
  ConcatReport = report
End Function

Sub RunConcat()
  Dim path, stream
  path = tempFolder & "\" & fso.GetTempName()
  Set stream = fso.CreateTextFile(path, True, False)
  stream.Write ConcatReport()
  stream.Close
  Written path
End Sub

' Seconds per call of the named way, over a loop of at least MinSeconds.
Function TimeWay(way)
  Dim started, elapsed, count
  count = 0
  started = Timer
  Do
    Select Case way
      Case "kestor": RunKestor
      Case "bare": RunBare
      Case "concat": RunConcat
      Case "collect": RunCollect
    End Select
    count = count + 1
    elapsed = Timer - started
    If elapsed < 0 Then elapsed = elapsed + 86400
  Loop While elapsed < MinSeconds
  TimeWay = elapsed / count
  DeleteWritten
End Function

' The report without its values, which may change between two reads (free memory).
Function Shape(report)
  Dim line, text
  text = ""
  For Each line In Split(report, vbCrLf)
    If Left(line, 9) = "[pvalue]=" Then line = "[pvalue]="
    text = text & line & vbLf
  Next
  Shape = text
End Function

Dim rounds, roundNo, way, kestor, sameReport
If WScript.Arguments(0) = "wide" Then queryList = WideList() Else queryList = Documented
rounds = CInt(WScript.Arguments(1))
Set fso = CreateObject("Scripting.FileSystemObject")
tempFolder = fso.GetSpecialFolder(2).Path
ParseList queryList

' The component's report and the concatenated one should have the same lines.
Dim fileId
Set kestor = CreateObject("Kestor.SysKestor")
kestor.WMIAttributesOfInterest = queryList
fileId = kestor.SetData()
sameReport = (Shape(kestor.GetData(fileId)) = Shape(ConcatReport()))
fso.DeleteFile tempFolder & "\" & fileId
WScript.Echo "same report lines (values aside): " & sameReport

For roundNo = 1 To rounds
  For Each way In Array("kestor", "bare", "concat", "collect")
    WScript.Echo "round " & roundNo & " " & way & " " & TimeWay(way)
  Next
Next
WScript.Echo "done"
