#!/usr/bin/env bash
# Configures and builds everything into VTY_BUILD_DIR (default: build).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VTY_BUILD_DIR:-$here/build}
# Configuring again is cheap, and mends a folder whose first configure failed.
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"
