' The members a page calls, through late binding as a script host does.

Dim kestor, other, id1, id2, text, number, i, upperOnly
Set kestor = CreateObject("Kestor.SysKestor")
Check IsObject(kestor), "CreateObject by ProgID gives an object"

CheckEqual kestor.GetTestData(), "WMI simulation", "GetTestData"

' Identifiers: braced upper-case GUID text, fresh on every call.
id1 = kestor.GenerateIdentifier()
id2 = kestor.GenerateIdentifier()
CheckEqual Len(id1), 38, "identifier length"
Check Mid(id1, 1, 1) = "{" And Mid(id1, 38, 1) = "}", "identifier braces: " & id1
Check Mid(id1, 10, 1) = "-" And Mid(id1, 15, 1) = "-" And Mid(id1, 20, 1) = "-" And Mid(id1, 25, 1) = "-", "identifier dashes: " & id1
CheckEqual id1, UCase(id1), "identifier is upper case"
Check id1 <> id2, "two identifiers differ"

' DateTime: the short date immediately followed by the time.
text = kestor.DateTime
Check Len(text) > Len(CStr(Date)), "DateTime holds date and time: " & text
CheckEqual Left(text, Len(CStr(Date))), CStr(Date), "DateTime starts with today's short date"
Check Mid(text, Len(CStr(Date)) + 1, 1) <> " ", "no blank between date and time: " & text

' Reading the write-only list and writing the read-only DateTime both fail.
On Error Resume Next
text = kestor.WMIAttributesOfInterest
number = Err.Number
Err.Clear
On Error GoTo 0
Check number <> 0, "reading WMIAttributesOfInterest fails"
On Error Resume Next
kestor.DateTime = "x"
number = Err.Number
Err.Clear
On Error GoTo 0
Check number <> 0, "assigning DateTime fails"
On Error Resume Next
kestor.NoSuchMember
number = Err.Number
Err.Clear
On Error GoTo 0
Check number <> 0, "an unknown member fails"

' A list without any separator runs nothing: an empty report is still stored.
kestor.WMIAttributesOfInterest = "SELECT Name FROM Win32_BIOS"
id1 = kestor.SetData()
CheckEqual Len(id1), 38, "SetData stores a report even when nothing runs"
CheckEqual kestor.GetData(id1), "", "an empty report reads back as the empty text"

' Text arguments pass by value, by reference or in parentheses; none is changed.
text = "SELECT Name FROM Win32_NoSuchClass|"
kestor.WMIAttributesOfInterest = text
CheckEqual text, "SELECT Name FROM Win32_NoSuchClass|", "the caller's list is unchanged"
id1 = kestor.SetData()
id2 = id1
CheckEqual kestor.GetData(id1), "[class=Win32_NoSuchClass]" & vbCrLf, "GetData with a variable"
CheckEqual kestor.GetData((id1)), "[class=Win32_NoSuchClass]" & vbCrLf, "GetData with a value in parentheses"
CheckEqual kestor.GetData(CStr(id1)), "[class=Win32_NoSuchClass]" & vbCrLf, "GetData with an expression"
CheckEqual id1, id2, "the caller's file id is unchanged"

' Any object reads any report by its id.
Set other = CreateObject("Kestor.SysKestor")
CheckEqual other.GetData(id1), "[class=Win32_NoSuchClass]" & vbCrLf, "another object reads the report"

' Ids that are not drawn by the component never reach a path.
Dim badIds
badIds = Array("", "..\..\..\windows\win.ini", "C:\windows\win.ini", "\\?\C:\windows\win.ini", _
               "CON", "NUL", "..", Mid(LCase(id1), 2, 36), "123456", "12345678901234", "1234567.ini")
For i = 0 To UBound(badIds)
  CheckEqual kestor.GetData(badIds(i)), "", "GetData refuses the id [" & badIds(i) & "]"
Next
CheckEqual kestor.GetData("{00000000-0000-0000-0000-000000000000}"), "", "a well-formed id without a file gives the empty text"
CheckEqual kestor.GetData(LCase(id1)), "[class=Win32_NoSuchClass]" & vbCrLf, "the lower-case id names the same report"

CheckEqual kestor.GetTestData(), "WMI simulation", "GetTestData after a collection run"
Finish
