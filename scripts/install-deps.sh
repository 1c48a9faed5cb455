#!/usr/bin/env bash
# Installs the Debian packages the project uses.
#   scripts/install-deps.sh        every package the build, the tests, the
#                                  benchmarks and the installer use, and the
#                                  32-bit Wine loader for the i686 driver's tests
#   scripts/install-deps.sh main   only what the main job needs: the e140 tool
#                                  and the stand-in vendor libraries
# Only Debian's 32-bit packages may fail to download: that is said in one loud
# line, and scripts/test-all.sh then skips the 32-bit run, saying so again.
set -euo pipefail

main_packages=(cmake ninja-build g++ libcli11-dev nlohmann-json3-dev)
all_packages=(
  "${main_packages[@]}" libgtest-dev googletest libboost-dev
  clang libclang-rt-14-dev gcovr tmux
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 libwine-dev xvfb xauth nsis fp-utils imagemagick graphviz
)
wine32=wine32:i386

case "${1:-all}" in
  main) wanted=("${main_packages[@]}"); with32=false ;;
  all) wanted=("${all_packages[@]}"); with32=true ;;
  *) echo "usage: $0 [main]" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${wanted[@]}"; do installed "$p" || missing+=("$p"); done
if $with32 && ! installed "$wine32"; then missing+=("$wine32"); fi
((${#missing[@]})) || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
install() { $sudo apt-get install -y -qq --no-install-recommends "$@"; }

if $with32 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# A failed i386 index must not stop the rest: the install below shows what is missing.
$sudo apt-get update -qq || echo "install-deps: apt-get update reported errors; installing what can be had" >&2

native_missing=()
for p in "${missing[@]}"; do [ "$p" = "$wine32" ] || native_missing+=("$p"); done
((${#native_missing[@]} == 0)) || install "${native_missing[@]}"

if $with32 && ! installed "$wine32"; then
  install "$wine32" ||
    echo "!!! install-deps: Debian's i386 packages could not be installed: the 32-bit driver's tests will be SKIPPED !!!" >&2
fi
