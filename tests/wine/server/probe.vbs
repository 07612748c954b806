' Run by the registration tests with the script host of one bitness: does
' CreateObject("Kestor.SysKestor") reach a Kestor.ocx that answers? The exit code
' says: 10 yes, 1 the class cannot be created, 2 the object gave a wrong answer.
' A script host that dies on an error ends with 0, which means none of these.
On Error Resume Next
Dim kestor
Set kestor = CreateObject("Kestor.SysKestor")
If Err.Number <> 0 Then WScript.Quit 1
If kestor.GetTestData() <> "WMI simulation" Or Err.Number <> 0 Then WScript.Quit 2
WScript.Quit 10
