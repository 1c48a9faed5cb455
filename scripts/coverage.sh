#!/usr/bin/env bash
# Builds the native tests with gcc's coverage instrumentation (no benchmarks),
# runs them, and prints line and branch coverage of each product folder with
# gcovr. Windows-only code is not built natively: the Wine tests cover it.
#   scripts/coverage.sh [build-folder]   (default build/coverage)
# Branches that only throw, and those gcc marks unreachable, are not counted:
# they belong to the compiler's exception paths, not to the code's decisions.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/coverage}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DE14_BUILD_TESTS=ON -DE14_BUILD_BENCH=OFF -DE14_BUILD_FUZZ=OFF \
  -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
  -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j2
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" --output-on-failure -j2

# gcov runs once; each folder is then a filter over the one trace.
trace="$build/coverage.json"
# Notes without their object belong to sources since deleted (and to CMake's
# compiler probe): gcov would look for those sources.
ninja -C "$build" -t cleandead >/dev/null
find "$build" -name '*.gcno' | while read -r note; do
  [ -e "${note%.gcno}.o" ] || rm -f "$note"
done
# Only the build folder is searched: a Wine prefix elsewhere in the tree links
# its drive Z: to the whole file system.
gcovr -r . --object-directory "$build" -j2 \
  --exclude-throw-branches --exclude-unreachable-branches \
  -e "$PWD/(tests|fuzz|bench)/" --json "$trace" "$build"
summary="$build/summary.json"

folders=$(git ls-files '*.cpp' '*.h' | grep -vE '^(tests|fuzz|bench)/' | grep / | cut -d/ -f1 | sort -u)
printf '%-12s %18s %20s\n' folder lines branches
for folder in $folders; do
  gcovr -r . -a "$trace" -f "$PWD/$folder/" --json-summary "$summary"
  jq -r --arg f "$folder/" '
    select(.line_total > 0) |
    "\($f) \(.line_percent) \(.line_covered)/\(.line_total) \(.branch_percent) \(.branch_covered)/\(.branch_total)"' \
    "$summary" | awk '{ printf "%-12s %6.1f%% %11s %6.1f%% %13s\n", $1, $2, "(" $3 ")", $4, "(" $5 ")" }'
done
gcovr -r . -a "$trace" --json-summary "$summary"
jq -r '"all          \(.line_percent)% lines, \(.branch_percent)% branches"' "$summary"
