#!/bin/sh
# CTest's emulator for the Windows builds: run-in-wine.sh LOADER PREFIX
# PROGRAM ARGS... runs one program under Wine's loader for its word size
# (wine64 for x86_64, wine for i686) in the test run's prefix, with the
# Japanese locale and no Wine diagnostics.
set -eu
loader=$1
prefix=$2
shift 2
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
exec "$loader" "$@"
