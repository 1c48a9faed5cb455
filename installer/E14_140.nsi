; Installs the E14-140 driver: copies the .adc into its own folder, registers
; it with regsvr32, and on uninstall unregisters it and removes what it copied.
;
; makensis -DARCH=x86|amd64 -DADC=<path of E14_140.adc> -DOUTFILE=<installer.exe>
;          [-DHELP=<path of ZIroz140.chm>] [-DTOOL=<path of e140.exe>] [-DVERSION=1.0.0] E14_140.nsi
; The x86 installer carries the 32-bit driver that 32-bit hosts load; the
; amd64 one carries the 64-bit build.

Unicode true
!include "LogicLib.nsh"
!ifndef VERSION
  !define VERSION "1.0.0"
!endif
!if "${ARCH}" == "amd64"
  Target amd64-unicode
  !define PROGRAMS "$PROGRAMFILES64"
!else
  Target x86-unicode
  !define PROGRAMS "$PROGRAMFILES32"
!endif

!define NAME "E14-140 driver"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\E14_140"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS}\Kestrel\E14-140"
RequestExecutionLevel admin
ShowInstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "FileDescription" "${NAME} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Kestrel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro RegSvr Arguments
  ; $SYSDIR is the system folder of the installer's own bitness (a 32-bit
  ; installer is redirected to the 32-bit one), matching the driver it carries.
  ExecWait '"$SYSDIR\regsvr32.exe" /s ${Arguments}' $0
!macroend

Section "Driver"
  SetOutPath "$INSTDIR"
  File "/oname=E14_140.adc" "${ADC}"
  ; The help file must lie beside the component for the dialog's Help button.
  !ifdef HELP
    File "/oname=ZIroz140.chm" "${HELP}"
  !endif
  !ifdef TOOL
    File "/oname=e140.exe" "${TOOL}"
  !endif
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ClearErrors
  !insertmacro RegSvr '"$INSTDIR\E14_140.adc"'
  ${If} $0 != 0
    DetailPrint "Registration failed ($0)"
    SetErrorLevel 2
    Abort "The driver could not be registered."
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kestrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ClearErrors
  !insertmacro RegSvr '/u "$INSTDIR\E14_140.adc"'
  Delete "$INSTDIR\E14_140.adc"
  Delete "$INSTDIR\ZIroz140.chm"
  Delete "$INSTDIR\e140.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
