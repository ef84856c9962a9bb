#!/usr/bin/env bash
# Configures (once) and builds everything into BUILD_DIR (default: build).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VTY_BUILD_DIR:-$here/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" "$@"
