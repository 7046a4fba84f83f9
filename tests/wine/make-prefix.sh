#!/bin/sh
# make-prefix.sh LOADER PREFIX: creates a fresh Wine prefix for one test run
# with the loader the run's programs use: Japanese locale (ANSI code page
# 932) and the null graphics driver, so message boxes are real windows that
# nobody sees and that block until a test answers them. Leaves the prefix's
# server running for the tests.
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
# One server and Wine's own services (services.exe, explorer.exe, ...) stay
# up for the whole test run, started here without a pipe to inherit. Left
# to the tests, the first test program would start them with its output
# pipe, and CTest would wait on that pipe, counting the whole rest of the
# run as that test's time. tests/wine/stop-server.sh ends them after the
# run; should it not run, the server still goes 10 minutes after its last
# program.
wineserver -p600 </dev/null >/dev/null 2>&1
"$loader" cmd /c exit </dev/null >/dev/null 2>&1
echo "wine prefix ready: $prefix ($loader)"
