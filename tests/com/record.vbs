' A late-bound scripting host recording through the simulated module beside
' the driver: it opens the module, records three channels and takes every
' frame with GetData and InputData, checking the module's test pattern
' (sample c of frame f holds ((f mod 2048) << 5) | c) for completeness and
' order, then drives the TTL lines, whose outputs loop back to the inputs.
' The inputs are below 16: in the default differential mode 16 to 31 read 0.
' Runs after report.vbs.
Const kChannels = 3
Const kFrames = 20000
Dim r, drv, adc, dio, nextNumber, taken, mismatchShown
nextNumber = -1
taken = 0
mismatchShown = False

' Checks one frame against the pattern; the first frame fixes the numbering.
Function FrameFollows(word0, word1, word2)
    Dim number, words, c
    words = Array(word0, word1, word2)
    number = ((words(0) And &HFFFF&) \ 32) And &H7FF
    FrameFollows = nextNumber < 0 Or number = nextNumber
    For c = 0 To kChannels - 1
        FrameFollows = FrameFollows And (words(c) And &HFFFF&) = number * 32 + c
    Next
    If Not FrameFollows And Not mismatchShown Then
        WScript.Echo "    frame " & taken & " expected " & nextNumber & ", got " & Hex(word0) & " " & _
            Hex(word1) & " " & Hex(word2)
        mismatchShown = True
    End If
    nextNumber = (number + 1) And &H7FF
    taken = taken + 1
End Function

Function Opens()
    Set drv = CreateObject("Kestrel.E14_140")
    Set adc = drv.GetADC3
    Set dio = drv.GetDIO
    Opens = adc.Test
    If Not Opens Then WScript.Echo "    Test: " & Replace(adc.LastError, vbCrLf, " ")
    Opens = Opens And adc.Detected And adc.LastError = ""
End Function

Function Starts()
    adc.InputChannels = Array(4, 9, 13)
    adc.Rate = 20000
    adc.InputSizeData = 30000
    Starts = adc.StartRecord And adc.Busy And adc.LastError = "" And adc.Rate > 0 And _
        adc.InputCountChannels = kChannels
End Function

' Takes with GetData into an array of an odd size, so that a whole frame
' never fits the last two samples.
Function TakeWithGetData()
    Dim buffer(1999), size, unread, frames, i
    TakeWithGetData = True
    size = 2000
    frames = adc.GetData(buffer, size, unread)
    If size <> frames * kChannels Or size > 1998 Or unread < 0 Then TakeWithGetData = False
    For i = 0 To frames - 1
        TakeWithGetData = FrameFollows(buffer(3 * i), buffer(3 * i + 1), buffer(3 * i + 2)) _
            And TakeWithGetData
    Next
End Function

' InputData holds the channel table in frame 0, then the unread frames.
Function TakeWithInputData()
    Dim d, f
    d = adc.InputData
    TakeWithInputData = UBound(d, 1) = kChannels - 1 And d(0, 0) = 4 And d(1, 0) = 9 And _
        d(2, 0) = 13
    For f = 1 To UBound(d, 2)
        TakeWithInputData = FrameFollows(d(0, f), d(1, f), d(2, f)) And TakeWithInputData
    Next
End Function

Function RecordsEveryFrame()
    Dim ok, started, useGetData
    ok = True
    useGetData = True
    started = Timer
    Do While taken < kFrames And Abs(Timer - started) < 20
        If useGetData Then
            ok = TakeWithGetData() And ok
        Else
            ok = TakeWithInputData() And ok
        End If
        useGetData = Not useGetData
    Loop
    If taken < kFrames Then WScript.Echo "    only " & taken & " frames in 20 s"
    RecordsEveryFrame = ok And taken >= kFrames
End Function

' Frames left unread at the stop are still taken whole, then nothing is left.
Function StopsAndKeepsUnread()
    adc.StopRecord
    StopsAndKeepsUnread = adc.Busy = False And TakeWithInputData() And _
        adc.InputCountData = 0 And UBound(adc.InputData, 2) = 0
End Function

Function OutputsLoopBack()
    dio.DOValue = &H5A3C&
    OutputsLoopBack = dio.Detected And dio.DOBits = 16 And dio.DOValue = &H5A3C& And _
        dio.DIValue = &H5A3C&
End Function

On Error Resume Next
Err.Clear : r = False : r = Opens() : Report "Test opens the simulated module", r
If r <> True Then
    Report "module available", False
Else
    Err.Clear : r = False : r = Starts() : Report "StartRecord with three channels", r
    Err.Clear : r = False : r = RecordsEveryFrame() : Report kFrames & " frames whole and in order", r
    Err.Clear : r = False : r = StopsAndKeepsUnread() : Report "StopRecord, then the unread frames", r
    Err.Clear : r = False : r = OutputsLoopBack() : Report "TTL outputs loop back", r
End If
Set adc = Nothing : Set dio = Nothing : Set drv = Nothing
Summary
