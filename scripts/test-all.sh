#!/usr/bin/env bash
# Builds every preset and runs every test suite: native, the Windows (x86_64)
# tests under Wine, and the native suites again under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer (the soak recordings
# run natively and under ThreadSanitizer only). The i686 build is compiled and
# linked only: it cannot run here. The fuzz targets run apart, with
# scripts/fuzz.sh.
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
exit $status
