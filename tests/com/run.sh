#!/bin/sh
# Runs one step of the COM server's life in the test Wine prefix:
#   run.sh register   ADC   regsvr32 the server beside the host's own key of
#                           ADCInterface3; the server's keys are there, the host's kept
#   run.sh script     ADC   record.vbs drives the simulated module of record.json and
#                           creates the settings pages
#   run.sh unregister ADC   regsvr32 /u leaves no key of the server behind, nor a
#                           ProgID naming another class, and a second one succeeds
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
progid='HKCR\Kestrel.E14_140'
host_key='HKCR\Interface\{97B526A8-3B46-11D7-B688-FDAEA8668E28}\TypeLib'
host_library='{97B526A7-3B46-11D7-B688-FDAEA8668E28}'
keys="HKCR\\CLSID\\$clsid $progid HKCR\\TypeLib\\{0C376449-FA10-4DB7-A1D3-8C6640BDA7F0}
HKCR\\Interface\\{085F7CCF-2B8C-4DF0-8BBF-F167FE1F9C13} HKCR\\Interface\\{71ECC956-D500-11D9-B68D-BB19B6122F29}
HKCR\\Interface\\{A982971F-182F-4985-8251-AA1C39AD4900} HKCR\\Interface\\{2ACC087F-2AE7-4D88-9C6E-11DC1BF869D9}
HKCR\\Interface\\{9A327BB4-81E9-4312-BCA3-572B1EDD3D8A} HKCR\\Interface\\{19D91044-BC55-4E70-ACAB-60DA4A7D6D8F}
HKCR\\CLSID\\{5B5BB601-0F86-440A-AC83-BCB07A7E446B} HKCR\\Kestrel.ucGeneral
HKCR\\CLSID\\{4F9398DF-76AB-4FA1-977E-322E19F7A28B} HKCR\\Kestrel.ucADC
HKCR\\CLSID\\{BA7268F8-24A0-49AE-8F4E-003CAA0E35F1} HKCR\\Kestrel.ucDAC
HKCR\\CLSID\\{127E8D6A-1110-4164-ABEA-57D95ACFE281} HKCR\\Kestrel.ucDIO"

fail() { echo "FAIL: $*"; exit 1; }
wine() { "$WINELOADER" "$@" >/dev/null 2>&1; }
# regsvr32 wants a Windows path: run it in the server's folder.
regsvr() { (cd "$(dirname "$adc")" && wine regsvr32 /s "$@" "$(basename "$adc")"); }
host_key_kept() { "$WINELOADER" reg query "$host_key" /ve 2>/dev/null | grep -qF "$host_library"; }

case $step in
register)
  wine reg add "$host_key" /ve /d "$host_library" /f || fail "cannot write the host's key"
  regsvr || fail "regsvr32 returned $?"
  for key in $keys; do wine reg query "$key" || fail "$key missing"; done
  host_key_kept || fail "the host's interface key was taken over"
  server=$("$WINELOADER" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" | tr -d '\r' | sed 's|\\|/|g')
  echo "$server" | grep -qF "Z:$adc" || fail "InprocServer32 is not the server's path: $server"
  echo "$server" | grep -Eq 'ThreadingModel +REG_SZ +Apartment' || fail "not apartment threaded"
  echo "registered"
  ;;
script)
  # The script expects the driver's default settings, whatever other tests saved.
  wine reg delete 'HKCU\Software\Tervo\ADC\L-Card\E-140' /f
  script="Z:$(printf '%s' "$here/record.vbs" | tr / '\\')"
  out=$(E140SIM_CONFIG="$here/record.json" "$WINELOADER" cscript //nologo "$script" 2>&1 | tr -d '\r')
  echo "$out"
  echo "$out" | tail -n 1 | grep -Eq '^[1-9][0-9]* passed, 0 failed$' || fail "the script did not pass"
  ;;
unregister)
  regsvr /u || fail "regsvr32 /u returned $?"
  for key in $keys; do ! wine reg query "$key" || fail "$key left behind"; done
  host_key_kept || fail "the host's interface key was removed"
  regsvr && wine reg add "$progid\\CLSID" /ve /d '{00000000-0000-0000-0000-000000000001}' /f &&
    regsvr /u || fail "registering again, then regsvr32 /u, failed"
  wine reg query "$progid" || fail "a ProgID naming another class was removed"
  regsvr /u || fail "a second regsvr32 /u returned $?"
  wine reg delete "$progid" /f && wine reg delete "${host_key%\\TypeLib}" /f
  echo "unregistered, no key left"
  ;;
*)
  fail "unknown step $step"
  ;;
esac
