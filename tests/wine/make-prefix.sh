#!/bin/sh
# make-prefix.sh LOADER PREFIX: creates a fresh Wine prefix for one test run
# with the loader the run's programs use: Japanese locale (ANSI code page
# 932) and the null graphics driver, so message boxes are real windows that
# nobody sees and that block until a test answers them.
set -eu
loader=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -x "$loader" ]; then
  echo "no Wine loader at $loader" >&2
  exit 1
fi
wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"
mkdir -p "$prefix"
"$loader" wineboot -i >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
echo "wine prefix ready: $prefix ($loader)"
