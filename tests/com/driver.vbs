' A late-bound scripting host driving the registered driver object without a
' module: the three faces, their tables, by-reference arguments and arrays.
' Runs after report.vbs.
Dim ok, r, drv, adc, dio, dao, sep, pm
pm = Chr(177)               ' "±" in the ANSI code page
sep = Mid(CStr(1.5), 2, 1)   ' the user's decimal separator, as the driver uses it

Function CreateAndFaces()
    Set drv = CreateObject("Kestrel.E14_140")
    Set adc = drv.GetADC3
    Set dio = drv.GetDIO
    Set dao = drv.GetDAO
    CreateAndFaces = TypeName(drv) = "_E14_140" And TypeName(adc) = "ADCInterface3" And _
        TypeName(dio) = "DIOInterface" And TypeName(dao) = "DAOInterface"
End Function

Function Names()
    Names = adc.ADCName = "E-140" And dio.DIOName = "E-140" And dao.Name = "E-140"
End Function

Function InputDescription()
    InputDescription = adc.Resolution = 14 And adc.ChannelsCount = 32 And _
        adc.RateMax = 100000 And adc.Detected = False And adc.BasePort = 0 And adc.Busy = False
End Function

Function RangeTexts()
    Dim r
    r = adc.Ranges
    RangeTexts = UBound(r) = 3 And r(0) = pm & "10 V" And r(1) = pm & "2" & sep & "5 V" And _
        r(2) = pm & "0" & sep & "625 V" And r(3) = pm & "0" & sep & "156 V"
End Function

Function ScalesFollowRanges()
    Dim i
    i = 2
    adc.ChannelRange(0) = 3
    adc.ChannelRange(i) = 1          ' index in a variable: passed by reference
    adc.ChannelRange(5) = 7          ' no such range: ignored
    ScalesFollowRanges = adc.ChannelRange(0) = 3 And adc.ChannelUnitScale(0) = 51200 And _
        adc.ChannelUnitScale(i) = 3200 And adc.ChannelRange(5) = 0 And _
        adc.ChannelUnitScale(5) = 800 And adc.ChannelUnitScale(40) = 0 And _
        adc.ChannelUnitOffset(0) = 0 And adc.ChannelUnitName(0) = "" And i = 2
End Function

Function ChannelNames()
    Dim i
    i = 31
    ChannelNames = adc.ChannelName(0) = "XY1" And adc.ChannelName(15) = "XY16" And _
        adc.ChannelName(i) = "Calibration 0" And adc.ChannelName(32) = "" And _
        adc.ChannelName(-1) = ""
End Function

Function RateIsLimited()
    Dim wanted
    adc.Rate = -2000
    ok = adc.Rate = 2000
    wanted = 250000
    adc.Rate = wanted
    RateIsLimited = ok And adc.Rate = 100000 And wanted = 250000
End Function

Function ChannelTable()
    Dim t, table
    adc.InputChannels = Array(3, 0, 3)
    t = adc.InputChannels
    ok = adc.InputCountChannels = 3 And UBound(t) = 2 And t(0) = 3 And t(1) = 0 And t(2) = 3
    adc.InputChannels = Array(1, 40)     ' an entry outside 0..31: refused
    ok = ok And adc.InputCountChannels = 3
    table = Array(0, 1, 2, 3)
    adc.InputChannels = table            ' an array in a variable
    t = adc.InputChannels
    ok = ok And adc.InputCountChannels = 4 And t(3) = 3 And UBound(table) = 3
    adc.InputChannels = Array()          ' no channel: counted as none, nothing to start
    t = adc.InputChannels
    ok = ok And adc.InputCountChannels = 0 And UBound(t) = -1 And Not adc.StartRecord
    adc.InputChannels = table            ' the four channels the next checks expect
    ChannelTable = ok And adc.InputCountChannels = 4
End Function

Function RingGeometry()
    Dim size
    size = 100000
    adc.InputSizeData = size
    RingGeometry = adc.InputSizeKadrs = 25000 And adc.InputSizeData = 100000 And _
        adc.InputCountKadrs = 0 And adc.InputCountData = 0
End Function

Function NoRecordingWithoutDevice()
    NoRecordingWithoutDevice = adc.StartRecord = False And adc.Busy = False And _
        adc.LastError = "" And IsEmpty(adc.GetKadr) And adc.GetChannel(0) = 0 And _
        adc.ShowSetting = False
End Function

Function InputDataHoldsTheTable()
    Dim d
    adc.StopRecord
    d = adc.InputData
    InputDataHoldsTheTable = UBound(d, 1) = 3 And UBound(d, 2) = 0 And d(0, 0) = 0 And _
        d(3, 0) = 3
End Function

Function GetDataIntoScriptArrays()
    Dim buffer(9), size, unread, frames, single
    size = 10
    unread = -1
    frames = adc.GetData(buffer, size, unread)
    ok = frames = 0 And size = 0 And unread = 0
    size = 100                          ' more than the array holds
    frames = adc.GetData(buffer, size, unread)
    ok = ok And frames = 0 And size = 0
    single = 0
    size = 5                            ' a plain variable holds one sample
    frames = adc.GetData(single, size, unread)
    GetDataIntoScriptArrays = ok And frames = 0 And size = 0 And unread = 0
End Function

Function ParentIsTheObject()
    Dim p
    Set p = adc.Parent
    ParentIsTheObject = TypeName(p) = "_E14_140" And p.GetDIO.DIOName = "E-140"
End Function

Function DigitalWithoutModule()
    Dim v, turn
    dio.DOValue = 255                   ' no device: not even DOValue changes
    v = 7
    dio.DOStopValue = v
    dio.DOStartValue = 5
    turn = True
    dio.DOStopEnabled = turn
    dio.DOStartEnabled = False
    DigitalWithoutModule = dio.Detected = False And dio.DIBits = 0 And dio.DOBits = 0 And _
        dio.DIValue = 0 And dio.DOValue = 0 And dio.DOStopValue = 7 And _
        dio.DOStartValue = 5 And dio.DOStopEnabled = True And dio.DOStartEnabled = False
End Function

Function AnalogOutputWithoutModule()
    Dim codes, volts, r
    dao.Value(0) = 100
    dao.ValueReal(1) = 2.5
    dao.ChannelRange(0) = 1
    codes = Array(5, 6)
    volts = Array(1.5, -9)
    r = dao.Ranges
    AnalogOutputWithoutModule = dao.Detected = False And dao.ChannelsCount = 0 And _
        dao.Resolution = 0 And dao.Busy = False And dao.LastError = "" And _
        dao.Value(0) = 0 And dao.ValueReal(1) = 0 And dao.ChannelName(0) = "" And _
        dao.ChannelMax(0) = 0 And dao.ChannelMinReal(0) = 0 And dao.RangesCount = 0 And _
        UBound(r) = -1 And dao.ChannelRange(0) = 0 And dao.ChannelUnitScale(0) = 0 And _
        dao.SetValues(0, 2, codes) = 0 And codes(0) = 5 And codes(1) = 6 And _
        dao.SetValuesReal(0, 50, volts) = 0 And volts(1) = -9
End Function

Function SecondObjectSharesState()
    Dim other
    Set other = CreateObject("Kestrel.E14_140")
    other.GetADC3.Rate = 3000
    ok = adc.Rate = 3000 And other.GetADC3.InputCountChannels = adc.InputCountChannels
    Set other = Nothing
    SecondObjectSharesState = ok And adc.Rate = 3000
End Function

' Without a module Test is False, leaves a message and is retried; with one
' (a simulator installed beside the driver) it opens it.
Function TestOpensOrExplains()
    If adc.Test Then
        TestOpensOrExplains = adc.Detected And adc.BasePort <> 0 And dio.DIBits = 16
    Else
        WScript.Echo "    Test: " & Replace(adc.LastError, vbCrLf, " ")
        TestOpensOrExplains = adc.Test = False And adc.Detected = False And _
            adc.BasePort = 0 And Len(adc.LastError) > 0
    End If
End Function

Function UnknownMemberRaises()
    Dim x
    On Error Resume Next
    x = adc.NoSuchMember
    UnknownMemberRaises = Err.Number = 438
    Err.Clear
End Function

On Error Resume Next
Err.Clear : r = False : r = CreateAndFaces() : Report "create the object and get its three faces", r
If Err.Number <> 0 Or Not IsObject(adc) Then
    Report "driver object available", False
Else
    Err.Clear : r = False : r = Names() : Report "names", r
    Err.Clear : r = False : r = InputDescription() : Report "analog input description", r
    Err.Clear : r = False : r = RangeTexts() : Report "range texts", r
    Err.Clear : r = False : r = ScalesFollowRanges() : Report "channel ranges and scales", r
    Err.Clear : r = False : r = ChannelNames() : Report "channel names", r
    Err.Clear : r = False : r = RateIsLimited() : Report "rate magnitude limited to RateMax", r
    Err.Clear : r = False : r = ChannelTable() : Report "channel table", r
    Err.Clear : r = False : r = RingGeometry() : Report "ring geometry", r
    Err.Clear : r = False : r = NoRecordingWithoutDevice() : Report "no recording without a device", r
    Err.Clear : r = False : r = InputDataHoldsTheTable() : Report "InputData holds the channel table", r
    Err.Clear : r = False : r = GetDataIntoScriptArrays() : Report "GetData into script arrays and variables", r
    Err.Clear : r = False : r = ParentIsTheObject() : Report "Parent", r
    Err.Clear : r = False : r = DigitalWithoutModule() : Report "digital I/O without a module", r
    Err.Clear : r = False : r = AnalogOutputWithoutModule() : Report "analog output without a module", r
    Err.Clear : r = False : r = SecondObjectSharesState() : Report "a second object shares the state", r
    Err.Clear : r = False : r = UnknownMemberRaises() : Report "unknown member raises 438", r
    Err.Clear : r = False : r = TestOpensOrExplains() : Report "Test opens a module or explains", r
End If
Set adc = Nothing : Set dio = Nothing : Set dao = Nothing : Set drv = Nothing
Summary
