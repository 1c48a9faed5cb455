' A late-bound scripting host driving the registered driver object without a
' module: what a script host adds to the core: faces by name, texts in the
' ANSI code page, variables passed by reference left as they were, script
' arrays in and out, Empty for no array, error 438 for an unknown member.
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

Function RangeTexts()
    Dim r
    r = adc.Ranges
    RangeTexts = UBound(r) = 3 And r(0) = pm & "10 V" And r(1) = pm & "2" & sep & "5 V"
End Function

Function VariablesKeepTheirValues()
    Dim i, wanted, turn
    i = 31
    ok = adc.ChannelName(i) = "Calibration 0"
    i = 2
    adc.ChannelRange(i) = 1
    wanted = 250000
    adc.Rate = wanted
    turn = True
    dio.DOStopEnabled = turn
    VariablesKeepTheirValues = ok And adc.ChannelUnitScale(i) = 3200 And adc.Rate = 100000 And _
        dio.DOStopEnabled = True And i = 2 And wanted = 250000 And turn = True
End Function

Function ChannelTable()
    Dim t, table
    adc.InputChannels = Array(3, 0, 3)
    t = adc.InputChannels
    ok = adc.InputCountChannels = 3 And UBound(t) = 2 And t(0) = 3 And t(1) = 0 And t(2) = 3
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

Function InputDataHoldsTheTable()
    Dim d
    d = adc.InputData
    InputDataHoldsTheTable = UBound(d, 1) = 3 And UBound(d, 2) = 0 And d(0, 0) = 0 And _
        d(3, 0) = 3 And IsEmpty(adc.GetKadr)
End Function

Function GetDataIntoScriptArrays()
    Dim buffer(9), size, unread, frames, single
    size = 100                          ' more than the array holds
    unread = -1
    frames = adc.GetData(buffer, size, unread)
    ok = frames = 0 And size = 0 And unread = 0
    single = 0
    size = 5                            ' a plain variable holds one sample
    frames = adc.GetData(single, size, unread)
    GetDataIntoScriptArrays = ok And frames = 0 And size = 0 And unread = 0
End Function

Function OutputArraysComeBackAsTheyWere()
    Dim codes, volts
    codes = Array(5, 6)
    volts = Array(1.5, -9)
    OutputArraysComeBackAsTheyWere = UBound(dao.Ranges) = -1 And _
        dao.SetValues(0, 2, codes) = 0 And codes(0) = 5 And codes(1) = 6 And _
        dao.SetValuesReal(0, 50, volts) = 0 And volts(1) = -9
End Function

Function ParentIsTheObject()
    Dim p
    Set p = adc.Parent
    ParentIsTheObject = TypeName(p) = "_E14_140" And p.GetDIO.DIOName = "E-140"
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
    Err.Clear : r = False : r = RangeTexts() : Report "range texts", r
    Err.Clear : r = False : r = VariablesKeepTheirValues() : Report "variables passed by reference keep their values", r
    Err.Clear : r = False : r = ChannelTable() : Report "channel table", r
    Err.Clear : r = False : r = InputDataHoldsTheTable() : Report "InputData holds the channel table", r
    Err.Clear : r = False : r = GetDataIntoScriptArrays() : Report "GetData into script arrays and variables", r
    Err.Clear : r = False : r = OutputArraysComeBackAsTheyWere() : Report "output arrays come back as they were", r
    Err.Clear : r = False : r = ParentIsTheObject() : Report "Parent", r
    Err.Clear : r = False : r = UnknownMemberRaises() : Report "unknown member raises 438", r
End If
Set adc = Nothing : Set dio = Nothing : Set dao = Nothing : Set drv = Nothing
Summary
