' A script host creating the four settings pages by name, as the setup
' dialog does, beside a driver object with the simulated module open: each
' page takes the driver state of the thread, and Page_SaveSetting commits
' the page's own copy into it. Runs after report.vbs.
Dim r, drv, adc, dio

Function Opens()
    Set drv = CreateObject("Kestrel.E14_140")
    Set adc = drv.GetADC3
    Set dio = drv.GetDIO
    Opens = adc.Test And adc.Detected
End Function

' Saving what a page loaded changes nothing the host sees.
Function EveryPageSaves()
    Dim key, page, names
    names = adc.ChannelName(0) & adc.ChannelName(16)
    EveryPageSaves = True
    For Each key In Array("General", "ADC", "DAC", "DIO")
        Set page = CreateObject("Kestrel.uc" & key)
        page.Page_SaveSetting
        EveryPageSaves = EveryPageSaves And TypeName(page) = "_SettingsPage"
        Set page = Nothing
    Next
    EveryPageSaves = EveryPageSaves And adc.ChannelName(0) & adc.ChannelName(16) = names
End Function

' A change made after the page was created is undone by its save.
Function PageCommitsItsCopy()
    Dim page
    dio.DOStopEnabled = False
    Set page = CreateObject("Kestrel.ucDIO")
    dio.DOStopEnabled = True
    page.Page_SaveSetting
    PageCommitsItsCopy = dio.DOStopEnabled = False
End Function

On Error Resume Next
Err.Clear : r = False : r = Opens() : Report "Test opens the simulated module", r
Err.Clear : r = False : r = EveryPageSaves() : Report "each page is created by name and saves", r
Err.Clear : r = False : r = PageCommitsItsCopy() : Report "a page's save commits its own copy", r
Set adc = Nothing : Set dio = Nothing : Set drv = Nothing
Summary
