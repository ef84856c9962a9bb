#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine:
# on the 32-bit and the 64-bit build where this machine runs 32-bit Windows
# programs, on the 64-bit build alone where it doesn't (VTY_BUILDS=32, 64 or
# both forces the choice). Extra arguments go to ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
source "$here/scripts/arch.sh"
source "$here/scripts/xvfb.sh"
vty_choose_builds
echo "test: testing $(vty_builds_text): $vty_reason"
for arch in $vty_builds; do
  VTY_ARCH=$arch bash "$here/scripts/build.sh"
done

passed=0 failed=0 bad=
for arch in $vty_builds; do
  build=$(vty_build_dir "$arch")
  echo "test: the $arch-bit build in $build"
  log=$(mktemp)
  # One program at a time: they share the clipboard, the desktop and the Wine server.
  # A build without GoogleTest has no tests: that is a failure, never a pass.
  status=0
  ctest --test-dir "$build" --output-on-failure --no-tests=error "$@" | tee "$log" || status=$?
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
  rm -f "$log"
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  [ "$status" = 0 ] || bad=1
done
# ctest failed without a failed test (no tests, a bad argument): still a failure.
[ -n "$bad" ] && [ "$failed" = 0 ] && failed=1
echo "test: tested $(vty_builds_text): $vty_reason"
echo "suite: $passed passed, $failed failed"
[ "$failed" = 0 ] && [ "$passed" -gt 0 ]
