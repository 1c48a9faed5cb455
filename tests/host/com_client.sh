#!/bin/sh
# e140.exe as a COM client of the driver in the test Wine prefix, against one
# simulated module, judged by exit codes, messages and the files left behind:
#   com_client.sh registered   E140_EXE   every subcommand once (after com_register)
#   com_client.sh unregistered E140_EXE   one line and exit 1 (after com_unregister)
# WINEPREFIX and WINELOADER come from the test.
set -u
step=$1
exe=$2
wineserver -p10 2>/dev/null   # already running is fine

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# TTL outputs loop back to the inputs; input XY1 holds 1.5 V.
cat >"$work/world.json" <<'JSON'
{"modules":[{"ttlLoopback":true,"inputs":{"XY1":{"type":"dc","value":1.5}}}]}
JSON

failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
# run ARGUMENTS: sets code, out and err (without CRs); raw output in $work/out.
run() {
  (cd "$work" && E140SIM_CONFIG="$work/world.json" "$WINELOADER" "$exe" "$@" >out 2>err)
  code=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}
has() { printf '%s\n' "$1" | grep -Eq -- "$2"; }
lines() { printf '%s' "$1" | grep -c ''; }
expect_ok() {
  [ "$code" -eq 0 ] || fail "$1: exit $code: $err"
}

if [ "$step" = unregistered ]; then
  run list
  [ "$code" -eq 1 ] || fail "exit $code without the driver"
  [ "$err" = "e140: the driver Kestrel.E14_140 is not registered (regsvr32 E14_140.adc)" ] ||
    fail "without the driver: $err"
  [ -z "$out" ] || fail "without the driver: $out"
  [ "$failed" -eq 0 ] || exit 1
  echo "e140 without the driver: one line, exit 1"
  exit 0
fi

# The checks below expect the driver's default settings, whatever other tests saved.
"$WINELOADER" reg delete 'HKCU\Software\Tervo\ADC\L-Card\E-140' /f >/dev/null 2>&1

run --json list
expect_ok list
has "$out" '"serial": "SIM00001"' || fail "list: no SIM00001 in $out"
has "$out" '"library": "LUsbApiU"' || fail "list: not seen through LUsbApiU: $out"
[ "$(printf '%s\n' "$out" | grep -c '"slot"')" -eq 1 ] || fail "list: not one module: $out"

run info
expect_ok info
has "$out" '^maximum total rate: [1-9]' || fail "info: no rate maximum: $out"
has "$out" '0: ±10 V' || fail "info: no ranges: $out"
run --json info -n 3 -r 7000
expect_ok "info -n 3"
has "$out" '"achieved_rate_hz": 7017\.5' || fail "info -n 3 -r 7000: $out"
has "$out" '"board": "[^"]' || fail "info: the board text is empty: $out"

run record -c 0,1,2 -r 1000 -d 1 -o "$work/run.csv"
expect_ok record
rows=$(($(grep -c '' "$work/run.csv" 2>/dev/null || echo 1) - 1))
[ "$(head -n 1 "$work/run.csv")" = 'time_s,"XY1 [V]","XY2 [V]","XY3 [V]"' ] ||
  fail "record: header $(head -n 1 "$work/run.csv")"
[ "$rows" -ge 990 ] && [ "$rows" -le 1010 ] || fail "record: $rows rows, not about 1000"
sed -n 2p "$work/run.csv" | grep -q '^0,1\.5,' || fail "record: first row $(sed -n 2p "$work/run.csv")"
has "$out" "^recorded $rows frames of 3 channel\(s\)" || fail "record: summary $out"
has "$out" '^frames lost: 0 ' || fail "record: frames lost: $out"
[ ! -e "$work/run.csv.part" ] || fail "record: the partial file was left"

run dio write 0xA5
expect_ok "dio write"
[ "$out" = "$(printf 'inputs  0x00A5\noutputs 0x00A5')" ] || fail "dio write 0xA5: $out"
run dio start off
expect_ok "dio start off"

run dac set -c 1 --volts 2.5
expect_ok "dac set"
has "$out" '^DAC2: code 16383, 2\.4999' || fail "dac set: $out"
run dac wave -t sine -a 2 --frequency 50
expect_ok "dac wave"
run dac stop
expect_ok "dac stop"
[ "$(lines "$out")" -eq 2 ] || fail "dac stop: $out"

run settings
expect_ok settings
has "$out" '^\[HKEY_CURRENT_USER\\Software\\Tervo\\ADC\\L-Card\\E-140\]$' || fail "settings: $out"
grep -q "$(printf '\r\r')\$" "$work/out" && fail "settings: lines end in CR CR LF"

# Bad input: one line, exit code 2, nothing recorded.
run record -c 0,40 -o "$work/bad.csv"
[ "$code" -eq 2 ] || fail "record -c 0,40: exit $code"
has "$err" '^e140: .*unknown channel 40' || fail "record -c 0,40: $err"
[ "$(lines "$err")" -eq 1 ] || fail "record -c 0,40: not one line: $err"
[ ! -e "$work/bad.csv" ] || fail "record -c 0,40 wrote a file"

# A recording that cannot write stops the driver and says why in one line.
run record -d 0.2 -o "$work/missing/out.csv"
[ "$code" -eq 1 ] || fail "unwritable output: exit $code"
has "$err" 'cannot write' || fail "unwritable output: $err"
[ "$(lines "$err")" -eq 1 ] || fail "unwritable output: not one line: $err"

[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
echo "e140 through COM: all checks passed"
