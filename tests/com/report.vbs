' The test scripts' shared head, put before each script by run.sh: counters
' and the report of one case. Each case is a function returning True; a
' run-time error in it fails it. Cases are called as
' "Err.Clear : r = False : r = Case() : Report name, r", so that an error
' skips the assignment and is reported against its own case. The last line,
' from Summary, is "N passed, N failed"; the runner requires it, because
' Wine's cscript prints nothing and exits 0 when a script fails to run.
Option Explicit
Dim passed, failed
passed = 0
failed = 0

Sub Report(name, result)
    If Err.Number <> 0 Then
        WScript.Echo "FAIL: " & name & " (error " & Hex(Err.Number) & ": " & Err.Description & ")"
        failed = failed + 1
    ElseIf result = True Then
        WScript.Echo "PASS: " & name
        passed = passed + 1
    Else
        WScript.Echo "FAIL: " & name
        failed = failed + 1
    End If
    Err.Clear
End Sub

Sub Summary()
    WScript.Echo passed & " passed, " & failed & " failed"
End Sub
