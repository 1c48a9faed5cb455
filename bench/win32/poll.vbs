' A script host taking a recording at the module's 200 kS/s with InputData,
' polled every 20 ms for 10 s. The one channel carries a ramp over the full
' ±5 V once a second (0.04 codes a frame), so a frame lost between two takes
' shows as a jump; the frames taken must also add up to the rate.
Option Explicit
Const kRate = 200000
Const kSeconds = 10
Dim drv, adc, data, frames, taken, last, jumps, started, elapsed, expected, short

' Wine's script host has no WScript.Sleep: wait on the clock.
Sub Pause(seconds)
    Dim deadline
    deadline = Timer + seconds
    Do While Timer < deadline
    Loop
End Sub

Sub Take()
    Dim first
    data = adc.InputData
    taken = UBound(data, 2)
    If taken < 1 Then Exit Sub
    first = data(0, 1)
    ' Between takes the ramp moves by at most a code, or wraps from +5 V to -5 V.
    If frames > 0 Then
        If (first < last Or first > last + 1) And first - last > -7000 Then jumps = jumps + 1
    End If
    last = data(0, taken)
    frames = frames + taken
End Sub

Set drv = CreateObject("Kestrel.E14_140")
Set adc = drv.GetADC3
If Not adc.Test Then
    WScript.Echo "no module: " & adc.LastError
    WScript.Quit 1
End If
adc.InputChannels = Array(0)
adc.Rate = kRate
frames = 0
jumps = 0
If Not adc.StartRecord Then
    WScript.Echo "no recording: " & adc.LastError
    WScript.Quit 1
End If
started = Timer
Do While Timer - started < kSeconds
    Take
    Pause 0.02
Loop
adc.StopRecord
elapsed = Timer - started
Take
' The module's last block (8192 frames at this rate) may still be on its
' way at the stop: up to that many frames short is none.
expected = Int(elapsed * adc.Rate)
short = 0
If frames < expected - 8192 Then short = expected - frames
WScript.Echo frames & " frames in " & FormatNumber(elapsed, 2) & " s at " & adc.Rate & " Hz, " & _
    jumps & " jumps, " & short & " frames short"
