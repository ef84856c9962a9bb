#!/usr/bin/env bash
# Runs one Windows program of the build under Wine: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# Each build folder keeps its own 32-bit prefix. With no DISPLAY the program
# gets a private Xvfb for its lifetime.
set -u
build=$(cd "$1" && pwd); shift
export WINEPREFIX="${VTY_WINEPREFIX:-$build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# ja_JP makes Wine's ANSI code page 932, which the tool relies on.
export LC_ALL=ja_JP.UTF-8

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$@"
fi

# Make the prefix once; several tests may start at the same moment.
if [ ! -f "$WINEPREFIX/.vty-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.vty-ready" ]; then
      wineboot -i >/dev/null 2>&1
      # No crash dialog for a program that dies on purpose (bounds checks).
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      # Japanese dialog text needs a font with the glyphs.
      for f in "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic" "MS Gothic" "ＭＳ ゴシック" "ＭＳ Ｐゴシック" "MS PGothic"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d "IPAGothic" /f >/dev/null 2>&1
      done
      wineserver -w
      touch "$WINEPREFIX/.vty-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec wine "$@"
