#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VTY_BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
VTY_BUILD_DIR=$build bash "$here/scripts/build.sh"
source "$here/scripts/xvfb.sh"
# One program at a time: they share the clipboard, the desktop and the Wine server.
# A build without GoogleTest has no tests: that is a failure, never a pass.
ctest --test-dir "$build" --output-on-failure --no-tests=error "$@"
