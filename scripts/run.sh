#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantory under Wine on its
# default record database (build/bin/Default.db), on a Wine desktop window.
# With --demo the game stand-in starts beside it and plays a few network
# matches, which Vantory records.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VTY_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
demo=
if [ "${1:-}" = "--demo" ]; then demo=1; shift; fi
VTY_BUILD_DIR=$build bash "$here/scripts/build.sh" --target vty --target th123stub
had_display=${DISPLAY:-}
source "$here/scripts/xvfb.sh"
[ -z "$had_display" ] && echo "run: no DISPLAY, so Vantory runs on Xvfb $DISPLAY (take a look with: DISPLAY=$DISPLAY import -window root shot.png)"
cd "$build/bin"
if [ -n "$demo" ]; then
  script="Z:$(echo "$here/tools/demo-matches.txt" | tr / '\\')"
  ( sleep 3; "$here/scripts/wine-run.sh" "$build" explorer /desktop=vantory,1024x768 th123stub.exe -script "$script" ) &
  echo "run: the game stand-in plays six matches; the statistics window shows them (tray icon, double-click)"
fi
"$here/scripts/wine-run.sh" "$build" explorer /desktop=vantory,1024x768 vty.exe "$@"
WINEPREFIX="${VTY_WINEPREFIX:-$build/wineprefix}" wineserver -w
