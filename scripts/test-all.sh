#!/bin/sh
# The project's test command: installs what is missing, builds the four
# configurations (native, native under AddressSanitizer and
# UndefinedBehaviorSanitizer, i686 Windows, x86_64 Windows) and runs every
# test; the Windows tests run under Wine. The i686 build's Wine tests run
# where the machine runs 32-bit programs; elsewhere one line says why they
# are skipped. Passes in any locale: the tools whose output a test reads run
# with LC_ALL=C.
set -eu
cd "$(dirname "$0")/.."
start=$(date +%s)
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

wine32=OFF
if reason=$(scripts/runs-32bit.sh); then
  if [ -x /usr/lib/wine/wine ]; then
    wine32=ON
  else
    echo "32-bit Wine suites skipped: Wine's 32-bit loader /usr/lib/wine/wine is not installed"
  fi
else
  echo "32-bit Wine suites skipped: $reason"
fi

for preset in native native-sanitize win32 win64; do
  echo "=== $preset ==="
  if [ "$preset" = win32 ]; then
    cmake --preset "$preset" -DTAVREL_WINE32=$wine32 >/dev/null
  else
    cmake --preset "$preset" >/dev/null
  fi
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "all tests passed in $(( $(date +%s) - start )) s"
