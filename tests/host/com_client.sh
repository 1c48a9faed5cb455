#!/bin/sh
# e140.exe as a COM client of the driver in the test Wine prefix, against one
# simulated module: each command once, so that every member of the driver
# it uses is called (the commands' own rules are tested natively):
#   com_client.sh registered   E140_EXE   (after com_register)
#   com_client.sh unregistered E140_EXE   one line and exit 1 (after com_unregister)
# WINEPREFIX and WINELOADER come from the test.
set -u
exe=$2
wineserver -p10 2>/dev/null   # already running is fine
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# TTL outputs loop back to the inputs; input XY1 holds 1.5 V.
echo '{"modules":[{"ttlLoopback":true,"inputs":{"XY1":{"type":"dc","value":1.5}}}]}' >"$work/world.json"

failed=0
# run ARGUMENTS: sets code, and out to standard output then error, without CRs.
run() {
  ran="$*"
  (cd "$work" && E140SIM_CONFIG="$work/world.json" "$WINELOADER" "$exe" "$@" >out 2>err)
  code=$?
  out=$(cat "$work/out" "$work/err" | tr -d '\r')
}
# expect CODE PATTERN...: the last run exited CODE and each pattern matches a line.
expect() {
  [ "$code" -eq "$1" ] || { echo "FAIL: e140 $ran: exit $code: $out"; failed=$((failed + 1)); }
  shift
  for pattern; do
    printf '%s\n' "$out" | grep -Eq -- "$pattern" || { echo "FAIL: e140 $ran: no /$pattern/ in: $out"; failed=$((failed + 1)); }
  done
}

if [ "$1" = unregistered ]; then
  run list
  expect 1 '^e140: the driver Kestrel.E14_140 is not registered \(regsvr32 E14_140.adc\)$'
  [ "$(printf '%s\n' "$out" | grep -c '')" -eq 1 ] || { echo "FAIL: not one line: $out"; exit 1; }
  exit "$failed"
fi

# The checks below expect the driver's default settings, whatever other tests saved.
"$WINELOADER" reg delete 'HKCU\Software\Tervo\ADC\L-Card\E-140' /f >/dev/null 2>&1
run --json list; expect 0 '"serial": "SIM00001"' '"library": "LUsbApiU"'
run info; expect 0 '^maximum total rate: [1-9]' '0: ±10 V' 'Serial N:'
run --json info -n 3 -r 7000; expect 0 '"achieved_rate_hz": 7017\.5'
run record -c 0,1,2 -r 1000 -n 1000 -o run.csv
expect 0 '^recorded 1000 frames of 3 channel\(s\)' '^frames lost: 0 '
[ "$(sed -n 2p "$work/run.csv" | cut -c1-6)" = '0,1.5,' ] || { echo "FAIL: record: $(head -n 2 "$work/run.csv")"; failed=$((failed + 1)); }
run dio write 0xA5; expect 0 '^inputs  0x00A5$'
for command in 'dio start off' 'dac wave -t sine -a 2 --frequency 50' 'dac stop'; do
  run $command; expect 0
done
run dac set -c 1 --volts 2.5; expect 0 '^DAC2: code 16383, 2\.4999'
run settings; expect 0 '^\[HKEY_CURRENT_USER\\Software\\Tervo\\ADC\\L-Card\\E-140\]$'
grep -q "$(printf '\r\r')\$" "$work/out" && { echo "FAIL: settings: lines end in CR CR LF"; failed=$((failed + 1)); }
[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
echo "e140 through COM: all checks passed"
