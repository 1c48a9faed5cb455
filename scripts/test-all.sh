#!/usr/bin/env bash
# Builds every preset and runs every test suite: native, the Windows (x86_64)
# tests under Wine, and the native suites again under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer (the soak recordings
# run natively and under ThreadSanitizer only). The i686 build is compiled and
# linked only: it cannot run here. Last, every fuzz target runs for 30 s from
# its seeds (scripts/fuzz.sh takes a longer time on request).
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in native win32 win64 asan tsan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
status=0
for preset in native win64 asan tsan; do
  echo "== tests: $preset"
  ctest --preset "$preset" || status=1
done
echo "== fuzz"
scripts/fuzz.sh 30 || status=1
exit $status
