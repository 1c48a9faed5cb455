#!/usr/bin/env bash
# Builds every preset and runs every test suite: native, then the Windows
# (x86_64) tests under Wine. The i686 build is compiled and linked only.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
ctest --preset native
ctest --preset win64
