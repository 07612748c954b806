' Assertion helpers put in front of every script test.
Option Explicit

Dim testsPassed, testsFailed
testsPassed = 0
testsFailed = 0

Sub Check(condition, what)
  If condition Then
    testsPassed = testsPassed + 1
  Else
    testsFailed = testsFailed + 1
    WScript.Echo "FAIL: " & what
  End If
End Sub

Sub CheckEqual(actual, expected, what)
  If actual = expected Then
    testsPassed = testsPassed + 1
  Else
    testsFailed = testsFailed + 1
    WScript.Echo "FAIL: " & what & vbCrLf & "  expected: [" & Visible(expected) & "]" & vbCrLf & "  actual:   [" & Visible(actual) & "]"
  End If
End Sub

' Shows line breaks so byte differences are readable.
Function Visible(text)
  Visible = Replace(Replace(text, vbCr, "\r"), vbLf, "\n")
End Function

' The summary line the harness requires; without it the test counts as failed.
Sub Finish()
  WScript.Echo testsPassed & " passed, " & testsFailed & " failed"
End Sub

' From here on: the test script itself.
