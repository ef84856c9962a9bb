#!/usr/bin/env bash
# Configures and builds everything for one target: VTY_ARCH=32 (default, the
# program players get) or 64, into the folder that scripts/arch.sh names.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/arch.sh"
arch=${VTY_ARCH:-32}
case $arch in
  32) toolchain=mingw-i686 ;;
  64) toolchain=mingw-x86_64 ;;
  *) echo "build: VTY_ARCH must be 32 or 64, not '$arch'" >&2; exit 2 ;;
esac
build=$(vty_build_dir "$arch")
# Configuring again is cheap, and mends a folder whose first configure failed.
# The tool's own code must build without a warning on both targets.
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain.cmake" -DVTY_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"
