#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for the given number of
# seconds (default 60), starting from its seed corpus in fuzz/corpus/. Fails
# when a target crashes, hangs, leaks, reports a sanitizer error or finds a
# broken property; the input that did it is kept in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
targets=(registry_file_fuzz settings_load_fuzz text_fuzz host_faces_fuzz)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for target in "${targets[@]}"; do
  # New inputs go to a scratch corpus; the committed seeds are only read.
  mkdir -p "$work/$target"
  options=(-max_total_time="$seconds" -timeout=30 -len_control=0 -print_final_stats=1
           -artifact_prefix="$artifacts/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  if build/fuzz/bin/"$target" "${options[@]}" "$work/$target" "fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    echo "== fuzz: $target: ${runs:-?} inputs in ${seconds} s, no finding"
  else
    status=1
    echo "== fuzz: $target FAILED (input kept in $artifacts/):"
    tail -n 80 "$work/$target.log"
  fi
done
exit $status
