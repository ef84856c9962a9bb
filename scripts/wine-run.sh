#!/usr/bin/env bash
# Runs one Windows program of a build under Wine: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# Each build folder keeps its own prefix, 32-bit or 64-bit as the build's
# programs are (the file wine-arch that CMake writes into the build folder;
# VTY_WINE_ARCH=win32|win64 overrides it). With no DISPLAY the program gets a
# private Xvfb for its lifetime.
set -u
build=$(cd "$1" && pwd); shift
arch=${VTY_WINE_ARCH:-$(cat "$build/wine-arch" 2>/dev/null || echo win32)}
case $arch in
  win64) loader=/usr/lib/wine/wine64 ;;
  win32) loader=/usr/lib/wine/wine ;;
  *) echo "wine-run: unknown Wine architecture '$arch'" >&2; exit 2 ;;
esac
export WINEARCH=$arch
# Programs that the Windows side starts use the same loader.
export WINELOADER=$loader
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# ja_JP makes Wine's ANSI code page 932, which the tool relies on;
# VTY_WINE_LOCALE=C runs a program as a Western Windows would (code page 1252).
export LC_ALL=${VTY_WINE_LOCALE:-ja_JP.UTF-8}

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$@"
fi

# Make the prefix once; several programs may start at the same moment. The
# mark names the prefix's version: an older prefix gets the newer settings.
ready="$WINEPREFIX/.vty-ready-2"
if [ ! -f "$ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      "$loader" wineboot -i >/dev/null 2>&1 || exit 1
      reg() { "$loader" reg add "$@" /f >/dev/null 2>&1; }
      # No crash dialog for a program that dies on purpose (bounds checks).
      reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
      # With no window manager on Xvfb, Wine waits about 2 s for one whenever
      # a window is hidden or destroyed; unmanaged windows close at once.
      reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
      # Japanese dialog text needs a font with the glyphs.
      for f in "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic" "MS Gothic" "ＭＳ ゴシック" "ＭＳ Ｐゴシック" "MS PGothic"; do
        reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d "IPAGothic"
      done
      wineserver -w
      touch "$ready"
    fi
  ) 9>"$WINEPREFIX.lock" || { echo "wine-run: cannot make the $arch prefix $WINEPREFIX with $loader" >&2; exit 126; }
fi

exec "$loader" "$@"
