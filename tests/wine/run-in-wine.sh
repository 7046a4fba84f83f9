#!/bin/sh
# CTest's emulator for the Windows builds: runs one program under wine64 in
# the test run's prefix, with the Japanese locale and no Wine diagnostics.
set -eu
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
exec "$wine" "$@"
