#!/bin/sh
# Creates a fresh Wine prefix of the architecture WINEARCH names, with the
# loader WINELOADER names, and waits until it is written.
#   new_prefix.sh PREFIX
set -eu
export WINEPREFIX="$1"
rm -rf "$WINEPREFIX"
"$WINELOADER" wineboot -i >/dev/null 2>&1
wineserver -w
