#!/bin/sh
# Installs the driver silently into a fresh Wine prefix, checks the files and
# the registration, uninstalls silently and checks that nothing is left.
#   run.sh SETUP.exe PREFIX
# WINELOADER and WINEARCH name the installer's architecture.
set -u
setup=$1
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$2
clsid='{DD71A5BC-0EE5-498E-AEA7-55DDF42D2373}'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\E14_140'
folder="$WINEPREFIX/drive_c/Kestrel/E14-140"

fail() { echo "FAIL: $*"; wineserver -k 2>/dev/null; exit 1; }
present() { "$WINELOADER" reg query "$1" >/dev/null 2>&1; }

sh "$here/../support/new_prefix.sh" "$WINEPREFIX" || fail "no Wine prefix"

"$WINELOADER" "$setup" /S '/D=C:\Kestrel\E14-140' || fail "the installer failed ($?)"
wineserver -w
for file in E14_140.adc e140.exe uninstall.exe; do
  [ -f "$folder/$file" ] || fail "$file not installed"
done
server=$("$WINELOADER" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" /ve 2>/dev/null | tr -d '\r')
echo "$server" | grep -qi 'C:\\Kestrel\\E14-140\\E14_140.adc' || fail "the class is not registered to the installed file: $server"
present 'HKCR\Kestrel.E14_140' || fail "the ProgID is not registered"
present "$uninstall_key" || fail "no entry in the list of installed programs"
echo "installed and registered"

# The uninstaller copies itself away and runs from there: wait for it.
"$WINELOADER" "$folder/uninstall.exe" /S || fail "the uninstaller failed ($?)"
wineserver -w
[ ! -e "$folder" ] || fail "files left behind: $(ls "$folder")"
! present "HKCR\\CLSID\\$clsid" || fail "the class is still registered"
! present 'HKCR\Kestrel.E14_140' || fail "the ProgID is still registered"
! present "$uninstall_key" || fail "the entry in the list of installed programs is left"
echo "uninstalled, nothing left"
rm -rf "$WINEPREFIX"
