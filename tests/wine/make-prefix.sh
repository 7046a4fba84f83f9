#!/bin/sh
# make-prefix.sh LOADER PREFIX KEEPER: creates a fresh Wine prefix for one
# test run with the loader the run's programs use: Japanese locale (ANSI
# code page 932) and the null graphics driver, so message boxes are real
# windows that nobody sees and that block until a test answers them. Leaves
# the prefix's server, Wine's services and its desktop running for the
# tests, the desktop held open by KEEPER (desktop_keeper.exe).
set -eu
loader=$1
prefix=$2
keeper=$3
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -x "$loader" ]; then
  echo "no Wine loader at $loader" >&2
  exit 1
fi
make_prefix() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  "$loader" wineboot -i
}
# Once in a test run the loader failed at once, without a word; a second
# try, after waiting for any server of this prefix to end, is cheap.
if ! make_prefix; then
  echo "wineboot failed; trying once more" >&2
  sleep 1
  make_prefix
fi
"$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# A program that crashes starts Wine's debugger, which by default shows a
# crash dialog: with the null driver nobody closes it, the crashed program
# never ends and the debugger holds CTest's output pipe until the test's
# timeout. Without the dialog the debugger prints the backtrace to the test's
# output and the program ends at once with its exception code.
"$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
# One server, Wine's own services (services.exe, ...) and its desktop
# (explorer.exe) stay up for the whole test run, started here without a
# pipe to inherit. Left to the tests, a test program would start them with
# its output pipe, and CTest would wait on that pipe, counting the rest of
# the run as that test's time. stop-server.sh ends them all after the run;
# should it not run, the keeper ends after 15 minutes and the server 10
# minutes after that.
wineserver -p600 </dev/null >/dev/null 2>&1
ready="$prefix/desktop-ready"
"$loader" "$keeper" 900 "Z:$(printf '%s' "$ready" | tr / '\\')" </dev/null >/dev/null 2>&1 &
waited=0
while [ ! -e "$ready" ]; do
  if [ $waited -ge 600 ]; then
    echo "the desktop keeper did not start in 60 s" >&2
    exit 1
  fi
  sleep 0.1
  waited=$((waited + 1))
done
echo "wine prefix ready: $prefix ($loader)"
