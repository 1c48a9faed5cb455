' A late-bound scripting host driving the registered driver object through
' the simulated module of record.json. First what a script host adds to the
' core: faces by name, texts in the ANSI code page, variables passed by
' reference left as they were, script arrays in and out, Empty for no array.
' Then it records three channels and takes frames with GetData into a script
' array and with InputData (that every frame of a long recording arrives
' whole is the core's part, tested end to end). Then arrays of DAC levels
' come back limited and TTL outputs loop back to the inputs. Last, the four settings pages are created by name, as
' the setup dialog does: each takes the driver state of the thread, and its
' Page_SaveSetting commits the page's own copy into it.
' Each case is a function returning True; a run-time error in it fails it.
' Cases are called as "Err.Clear : r = False : r = Case() : Report name, r",
' so that an error skips the assignment and is reported against its own
' case. The last line is "N passed, N failed"; run.sh requires it, because
' Wine's cscript prints nothing and exits 0 when a script fails to run.
Option Explicit
Dim passed, failed, r, drv, adc, dio, dao
passed = 0
failed = 0

Sub Report(name, result)
    If Err.Number = 0 And result = True Then
        WScript.Echo "PASS: " & name
        passed = passed + 1
    Else
        WScript.Echo "FAIL: " & name & " " & Err.Description
        failed = failed + 1
    End If
    Err.Clear
End Sub

Function Opens()
    Dim none, ranges, i, wanted, table, t
    Set drv = CreateObject("Kestrel.E14_140")
    Set adc = drv.GetADC3
    Set dio = drv.GetDIO
    Set dao = drv.GetDAO
    none = IsEmpty(adc.GetKadr)   ' no module opened yet: no array
    ranges = adc.Ranges
    i = CLng(2)                   ' a Long for a short parameter
    adc.ChannelRange(i) = 1
    wanted = 20000
    adc.Rate = wanted
    table = Array(4, 9, 13)       ' the inputs are below 16: 16 to 31 read 0 (differential)
    adc.InputChannels = table
    t = adc.InputChannels
    Opens = none And adc.Test And TypeName(dio) = "DIOInterface" And UBound(ranges) = 3 And _
        ranges(0) = Chr(177) & "10 V" And adc.ChannelRange(i) = 1 And i = 2 And _
        wanted = 20000 And table(2) = 13 And UBound(t) = 2 And t(2) = 13
End Function

' The channel table in frame 0, then whole frames: sample c of a frame holds
' c in its low five bits (the module's test pattern).
Function Taken(d)
    Dim f, c
    Taken = UBound(d, 1) = 2 And d(0, 0) = 4 And d(1, 0) = 9 And d(2, 0) = 13
    For f = 1 To UBound(d, 2)
        For c = 0 To 2
            Taken = Taken And (d(c, f) And &H1F) = c
        Next
    Next
End Function

' GetData into an array of an odd size takes whole frames only, so never the
' last two samples; InputData takes the unread frames, also those left at
' the stop; then nothing is left.
Function Records()
    Dim buffer(1999), size, unread, frames, d, i, started
    adc.InputSizeData = 30000
    Records = adc.StartRecord And adc.Busy And adc.InputCountChannels = 3
    started = Timer
    Do
        size = 2000
        frames = adc.GetData(buffer, size, unread)
    Loop While frames = 0 And Abs(Timer - started) < 20
    Records = Records And frames > 0 And size = frames * 3 And size <= 1998 And unread >= 0
    For i = 0 To size - 1
        Records = Records And (buffer(i) And &H1F) = i Mod 3
    Next
    Do
        d = adc.InputData
    Loop While UBound(d, 2) = 0 And Abs(Timer - started) < 20
    Records = Records And UBound(d, 2) > 0 And Taken(d)
    adc.StopRecord
    d = adc.InputData
    Records = Records And Taken(d) And Not adc.Busy And adc.InputCountData = 0 And UBound(adc.InputData, 2) = 0
End Function

Function OutputsComeBack()
    Dim codes, volts
    codes = Array(99999, 6)
    volts = Array(1.5, -9)
    dio.DOValue = &H5A3C&
    OutputsComeBack = dao.SetValues(0, 5, codes) = 2 And codes(0) = 32767 And codes(1) = 6 And _
        dao.SetValuesReal(0, 2, volts) = 2 And volts(0) = 1.5 And volts(1) = -5 And _
        dio.DOValue = &H5A3C& And dio.DIValue = &H5A3C&
End Function

' Saving what a page loaded changes nothing the host sees; a change made
' after the page was created is undone by its save.
Function PagesSave()
    Dim key, page, names
    names = adc.ChannelName(0) & adc.ChannelName(16)
    PagesSave = True
    For Each key In Array("General", "ADC", "DAC", "DIO")
        Set page = CreateObject("Kestrel.uc" & key)
        page.Page_SaveSetting
        PagesSave = PagesSave And TypeName(page) = "_SettingsPage"
    Next
    dio.DOStopEnabled = False
    Set page = CreateObject("Kestrel.ucDIO")
    dio.DOStopEnabled = True
    page.Page_SaveSetting
    PagesSave = PagesSave And dio.DOStopEnabled = False And adc.ChannelName(0) & adc.ChannelName(16) = names
End Function

On Error Resume Next
Err.Clear : r = False : r = Opens() : Report "Test opens the module; texts, variables and arrays", r
If r <> True Then
    WScript.Echo "    " & adc.LastError
Else
    Err.Clear : r = False : r = Records() : Report "frames taken whole with GetData and InputData", r
    Err.Clear : r = False : r = OutputsComeBack() : Report "DAC levels limited, TTL outputs loop back", r
    Err.Clear : r = False : r = PagesSave() : Report "each settings page is created by name and saves its own copy", r
End If
Set adc = Nothing : Set dio = Nothing : Set dao = Nothing : Set drv = Nothing
WScript.Echo passed & " passed, " & failed & " failed"
