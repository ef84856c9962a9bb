#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantory under Wine on its
# default record database (build/bin/Default.db), on a Wine desktop window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VTY_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
VTY_BUILD_DIR=$build bash "$here/scripts/build.sh" --target vty
had_display=${DISPLAY:-}
source "$here/scripts/xvfb.sh"
[ -z "$had_display" ] && echo "run: no DISPLAY, so Vantory runs on Xvfb $DISPLAY (take a look with: DISPLAY=$DISPLAY import -window root shot.png)"
cd "$build/bin"
"$here/scripts/wine-run.sh" "$build" explorer /desktop=vantory,1024x768 vty.exe "$@"
WINEPREFIX="${VTY_WINEPREFIX:-$build/wineprefix}" wineserver -w
