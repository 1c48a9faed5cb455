#!/bin/sh
# Runs one step of the COM server's life in the test Wine prefix:
#   run.sh register   ADC   regsvr32 the server; the class, ProgID and type library are there
#   run.sh vbscript   ADC   from default settings, driver.vbs must report "N passed, 0 failed"
#   run.sh record     ADC   record.vbs records through the simulated module of record.json
#   run.sh pages      ADC   pages.vbs creates the four settings pages by name and saves them
#   run.sh unregister ADC   regsvr32 /u leaves no key behind, and a second one succeeds
# WINEPREFIX and WINELOADER come from the test; one Wine server stays up
# between the steps.
set -u
step=$1
adc=$2
here=$(cd "$(dirname "$0")" && pwd)
# The first step waits for a server of earlier tests to end, then one server
# stays up between the steps (~0.2 s per wine command instead of ~1.2 s).
[ "$step" = register ] && wineserver -w
wineserver -p10 2>/dev/null   # already running is fine

clsid='{DD71A5BC-0EE5-498E-AEA7-55DDF42D2373}'
keys="HKCR\\CLSID\\$clsid HKCR\\Kestrel.E14_140 HKCR\\TypeLib\\{0C376449-FA10-4DB7-A1D3-8C6640BDA7F0}
HKCR\\Interface\\{085F7CCF-2B8C-4DF0-8BBF-F167FE1F9C13} HKCR\\Interface\\{97B526A8-3B46-11D7-B688-FDAEA8668E28}
HKCR\\Interface\\{71ECC956-D500-11D9-B68D-BB19B6122F29} HKCR\\Interface\\{A982971F-182F-4985-8251-AA1C39AD4900}
HKCR\\Interface\\{2ACC087F-2AE7-4D88-9C6E-11DC1BF869D9} HKCR\\Interface\\{9A327BB4-81E9-4312-BCA3-572B1EDD3D8A}
HKCR\\Interface\\{19D91044-BC55-4E70-ACAB-60DA4A7D6D8F}
HKCR\\CLSID\\{5B5BB601-0F86-440A-AC83-BCB07A7E446B} HKCR\\Kestrel.ucGeneral
HKCR\\CLSID\\{4F9398DF-76AB-4FA1-977E-322E19F7A28B} HKCR\\Kestrel.ucADC
HKCR\\CLSID\\{BA7268F8-24A0-49AE-8F4E-003CAA0E35F1} HKCR\\Kestrel.ucDAC
HKCR\\CLSID\\{127E8D6A-1110-4164-ABEA-57D95ACFE281} HKCR\\Kestrel.ucDIO"

fail() { echo "FAIL: $*"; exit 1; }
# regsvr32 wants a Windows path: run it in the server's folder.
regsvr() { (cd "$(dirname "$adc")" && "$WINELOADER" regsvr32 /s "$@" "$(basename "$adc")"); }
# Runs a test script after the shared head report.vbs, from the prefix's C: drive.
run_script() {
  mkdir -p "$WINEPREFIX/drive_c/e14-tests"
  cat "$here/report.vbs" "$here/$1" >"$WINEPREFIX/drive_c/e14-tests/$1"
  "$WINELOADER" cscript //nologo "C:\\e14-tests\\$1" 2>&1 | tr -d '\r'
}

present() { "$WINELOADER" reg query "$1" >/dev/null 2>&1; }

case $step in
register)
  regsvr || fail "regsvr32 returned $?"
  for key in $keys; do present "$key" || fail "$key missing"; done
  server=$("$WINELOADER" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" | tr -d '\r' | sed 's|\\|/|g')
  echo "$server" | grep -qF "Z:$adc" || fail "InprocServer32 is not the server's path: $server"
  echo "$server" | grep -Eq 'ThreadingModel +REG_SZ +Apartment' || fail "not apartment threaded"
  echo "registered"
  ;;
vbscript)
  # The script expects the driver's default settings, whatever other tests saved.
  "$WINELOADER" reg delete 'HKCU\Software\Tervo\ADC\L-Card\E-140' /f >/dev/null 2>&1
  out=$(run_script driver.vbs)
  echo "$out"
  echo "$out" | tail -n 1 | grep -Eq '^[1-9][0-9]* passed, 0 failed$' || fail "the script did not pass"
  ;;
record|pages)
  # The simulator beside the server reads its world from record.json.
  "$WINELOADER" reg delete 'HKCU\Software\Tervo\ADC\L-Card\E-140' /f >/dev/null 2>&1
  out=$(export E140SIM_CONFIG="$here/record.json"; run_script "$step.vbs")
  echo "$out"
  echo "$out" | tail -n 1 | grep -Eq '^[1-9][0-9]* passed, 0 failed$' || fail "the script did not pass"
  ;;
unregister)
  regsvr /u || fail "regsvr32 /u returned $?"
  for key in $keys; do ! present "$key" || fail "$key left behind"; done
  regsvr /u || fail "a second regsvr32 /u returned $?"
  echo "unregistered, no key left"
  ;;
*)
  fail "unknown step $step"
  ;;
esac
