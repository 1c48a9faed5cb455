#!/usr/bin/env bash
# Builds every preset and runs every test suite: native; the Windows tests
# under Wine, x86_64 and i686 (the driver 32-bit hosts load) each in a prefix
# of its own architecture; the native suites again under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer (the soak recordings run
# natively and under ThreadSanitizer only). Last, every fuzz target runs for
# 30 s from its seeds (scripts/fuzz.sh takes a longer time on request).
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in native win32 win64 asan tsan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
test_presets=(native win64 win32 asan tsan)
if [ ! -x /usr/lib/wine/wine ]; then
  echo "!!! test-all: the 32-bit Wine loader (wine32:i386) is not installed: the win32 tests are SKIPPED !!!"
  test_presets=(native win64 asan tsan)
fi
status=0
for preset in "${test_presets[@]}"; do
  echo "== tests: $preset"
  ctest --preset "$preset" || status=1
done
echo "== fuzz"
scripts/fuzz.sh 30 || status=1
exit $status
