#!/bin/sh
# Runs the dialog test on a virtual display: a fresh Wine server (one started
# without a display would be reused and show nothing), screenshots converted
# to PNG, and the server ended so later tests start their own.
#   run.sh TEST_EXE SHOT_FOLDER
# WINEPREFIX and WINELOADER come from the test.
set -u
exe=$1
shots=$2
mkdir -p "$shots"
rm -f "$shots"/*.bmp "$shots"/*.png
wineserver -k 2>/dev/null
wineserver -w
E14_SHOTS="Z:$(echo "$shots" | sed 's|/|\\|g')" WINEDLLOVERRIDES="winemenubuilder.exe=d" \
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" sh -c "'$WINELOADER' '$exe'; status=\$?; wineserver -k; exit \$status"
status=$?
for shot in "$shots"/*.bmp; do
  [ -e "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
exit $status
