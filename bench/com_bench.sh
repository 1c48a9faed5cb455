#!/bin/sh
# The host's data path through COM under Wine, for one Windows build:
#   bench/com_bench.sh build/win64      (x86_64)
#   bench/com_bench.sh build/win32      (i686)
# Registers the build's driver in a fresh prefix of the build's architecture,
# runs the early-bound client (com_client_bench: GetData and InputData against
# a plain SAFEARRAY copy, CPU share at 200 kS/s), then a script host polling
# InputData for 10 s at the module's 200 kS/s (poll.vbs, which must lose no
# frame).
set -eu
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
bin="$build/bin"
loader=$(sed -n 's/^E14_WINE_LOADER:FILEPATH=//p' "$build/CMakeCache.txt")
case "$loader" in
*wine64) arch=win64 ;;
*) arch=win32 ;;
esac
export WINELOADER="$loader" WINEARCH="$arch" WINEDEBUG=-all WINEPREFIX="$build/bench-prefix"
sh "$here/../tests/support/new_prefix.sh" "$WINEPREFIX"
wineserver -p10
(cd "$bin" && "$WINELOADER" regsvr32 /s E14_140.adc)

echo "== early-bound client ($arch)"
(cd "$bin" && "$WINELOADER" com_client_bench.exe) | tr -d '\r'

echo "== script host polling InputData ($arch)"
mkdir -p "$WINEPREFIX/drive_c/e14-bench"
cp "$here/win32/poll.vbs" "$WINEPREFIX/drive_c/e14-bench/"
out=$(E140SIM_CONFIG="$here/win32/poll.json" "$WINELOADER" cscript //nologo 'C:\e14-bench\poll.vbs' | tr -d '\r')
echo "$out"
wineserver -k
echo "$out" | grep -q ' 0 jumps, 0 frames short$'
