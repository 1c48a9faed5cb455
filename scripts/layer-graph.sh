#!/usr/bin/env bash
# Draws the libraries and programs as CMake links them, from a configuration
# without tests: docs/images/layers-posix.svg (native) and
# docs/images/layers-windows.svg (win64). Run it after changing a link.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v dot >/dev/null || { echo "layer-graph: dot not found: install graphviz (scripts/install-deps.sh)" >&2; exit 1; }
draw() {  # <name> [cmake arguments...]
  local name=$1 build=build/layer-graph-$1
  shift
  mkdir -p "$build"
  cp cmake/LayerGraph.cmake "$build/CMakeGraphVizOptions.cmake"
  cmake --fresh -S . -B "$build" -G Ninja -DE14_BUILD_TESTS=OFF -DE14_BUILD_BENCH=OFF "$@" \
    --graphviz="$build/layers.dot" >/dev/null
  dot -Tsvg "$build/layers.dot" -o "docs/images/layers-$name.svg"
  echo "docs/images/layers-$name.svg"
}
draw posix
draw windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
