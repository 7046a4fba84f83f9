#!/bin/sh
# The project's test command: installs what is missing, builds the four
# configurations (native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, i686 Windows, x86_64 Windows) and runs every
# test; the x86_64 Windows tests run under Wine.
set -eu
cd "$(dirname "$0")/.."
start=$(date +%s)
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
for preset in native native-sanitize win32 win64; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "all tests passed in $(( $(date +%s) - start )) s"
