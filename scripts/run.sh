#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantory under Wine on its
# default record database (Default.db in the build's bin folder), on a Wine
# desktop window: the 32-bit build where this machine runs 32-bit Windows
# programs, else the 64-bit one (VTY_BUILDS=32 or 64 forces the choice).
# With --demo the game stand-in starts beside it and plays a few network
# matches, which Vantory records.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
source "$here/scripts/arch.sh"
demo=
if [ "${1:-}" = "--demo" ]; then demo=1; shift; fi
had_display=${DISPLAY:-}
source "$here/scripts/xvfb.sh"
vty_choose_builds
arch=${vty_builds%% *}
build=$(vty_build_dir "$arch")
echo "run: the $arch-bit build in $build ($vty_reason)"
VTY_ARCH=$arch bash "$here/scripts/build.sh" --target vty --target th123stub
[ -z "$had_display" ] && echo "run: no DISPLAY, so Vantory runs on Xvfb $DISPLAY (take a look with: DISPLAY=$DISPLAY import -window root shot.png)"
cd "$build/bin"
if [ -n "$demo" ]; then
  script="Z:$(echo "$here/tools/demo-matches.txt" | tr / '\\')"
  ( sleep 3; "$here/scripts/wine-run.sh" "$build" explorer /desktop=vantory,1024x768 th123stub.exe -script "$script" ) &
  echo "run: the game stand-in plays six matches; the statistics window shows them (tray icon, double-click)"
fi
"$here/scripts/wine-run.sh" "$build" explorer /desktop=vantory,1024x768 vty.exe "$@"
WINEPREFIX="$build/wineprefix" wineserver -w
