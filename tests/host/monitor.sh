#!/bin/sh
# e140 monitor as a person uses it: in a terminal (tmux), keys typed, the
# screen read back. The simulated module loops TTL output bit 3 to input XY3
# (2 V when set) and DAC1 to input XY2; XY1 holds 1.5 V.
#   monitor.sh E140
set -u
exe=$1
work=$(mktemp -d)
server="e140-monitor-$$"
trap 'tmux -L "$server" kill-server 2>/dev/null; rm -rf "$work"' EXIT
cat >"$work/world.json" <<'JSON'
{"modules":[{"ttlLoopback":true,"inputs":{"XY1":{"type":"dc","value":1.5},
  "XY2":{"type":"dac","channel":0},"XY3":{"type":"ttl","bit":3,"high":2.0}}}]}
JSON

fail() { echo "FAIL: $*"; screen; exit 1; }
screen() { tmux -L "$server" capture-pane -p -t panel; }
# after KEYS PATTERN...: types the keys (none for ''), then waits up to 10 s
# for each pattern to match a line of the screen.
after() {
  [ -n "$1" ] && tmux -L "$server" send-keys -t panel $1
  shift
  for pattern; do
    for _ in $(seq 50); do screen | grep -Eq "$pattern" && continue 2; sleep 0.2; done
    fail "the panel never showed /$pattern/"
  done
}

tmux -L "$server" new-session -d -s panel -x 120 -y 30 \
  "cd '$work' && XDG_CONFIG_HOME='$work/config' E140SIM_CONFIG='$work/world.json' '$exe' monitor -c 0-2 -r 1000; echo \"exit \$?\" >'$work/status'; sleep 30"
after '' '^> XY1 +±10 V +1\.5000 +1\.5000 +1\.5000 +1\.5000 +1\.5000 ' '^  XY3 +±10 V +0\.0000 '
after 3 '^TTL out +0000 0000 0000 1000$' '^TTL in +0000 0000 0000 1000$' '^  XY3 +±10 V +2\.0000 '
after '+ +' '^DAC1 +0\.99[0-9]+ V' '^  XY2 +±10 V +(0\.99[0-9]+|1\.00[0-9]+) '
after 'Down r' '^> XY2 +±2\.5 V +(0\.99[0-9]+|1\.00[0-9]+) ' 'frames lost 0$'
tmux -L "$server" send-keys -t panel q
for _ in $(seq 50); do [ -f "$work/status" ] && break; sleep 0.2; done
[ "$(cat "$work/status" 2>/dev/null)" = "exit 0" ] || fail "q did not end it cleanly: $(cat "$work/status" 2>/dev/null)"
! screen | grep -q 'e140 monitor' || fail "the terminal still shows the panel after q"
echo "monitor: panel, TTL loop-back, DAC, range and q all as expected"
