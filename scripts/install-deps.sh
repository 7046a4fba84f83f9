#!/bin/sh
# Installs what a fresh Debian 12 machine needs to build and test Tavrel:
# compilers (native and MinGW-w64 for both Windows targets), Boost headers,
# GoogleTest sources, Google Benchmark, Wine, and the Japanese locale that
# Wine's code page 932 comes from. Safe to run again: it installs only what is
# missing. With --native it installs only what the native build needs (the
# command-line program, its tests and benchmarks); with --with-r also R and its
# leaps package, which the benchmark script uses as a peer for comparison.
set -eu

native="cmake g++ make libboost-dev googletest libbenchmark-dev"
packages="$native g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 locales"
case "${1:-}" in
  --native) packages=$native ;;
  --with-r) packages="$packages r-base-core r-cran-leaps" ;;
esac

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

# Wine takes its ANSI code page (932) from the Japanese locale.
if [ "${1:-}" != "--native" ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen
fi
echo "dependencies ready"
