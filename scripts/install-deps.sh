#!/bin/sh
# Installs what a fresh Debian 12 machine needs to build and test Tavrel:
# compilers (native and MinGW-w64 for both Windows targets), Boost headers,
# GoogleTest sources, Google Benchmark, libgsf (the add-in workbook's packer
# writes its compound file and zip with it), Wine, the Japanese locale that
# Wine's code page 932 comes from, and the readers that check the built
# workbook: LibreOffice Calc headless with its Python bridge, and
# python3-olefile. Safe to run again: it installs only what is missing. With
# --native it installs only what the native build needs (the command-line
# program, the packer, their tests and benchmarks); with --with-r also R and
# its leaps package, which the benchmark script uses as a peer for comparison,
# and the MASS and mlbench packages, whose data sets it searches.
# Where the kernel runs 32-bit programs it also installs Wine's 32-bit half
# (wine32, from the i386 architecture), which runs the i686 product in the
# tests; scripts/runs-32bit.sh decides that.
set -eu
cd "$(dirname "$0")/.."

native="cmake g++ make libboost-dev googletest libbenchmark-dev pkg-config libgsf-1-dev"
packages="$native g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 locales g++-multilib"
packages="$packages libreoffice-calc python3-uno python3-olefile"
case "${1:-}" in
  --native) packages=$native ;;
  --with-r) packages="$packages r-base-core r-cran-leaps r-cran-mass r-cran-mlbench" ;;
esac

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=""
for p in $packages; do
  installed "$p" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

# Wine's 32-bit half, only where the kernel runs 32-bit programs at all.
if [ "${1:-}" != "--native" ] && ! installed wine32:i386; then
  if scripts/runs-32bit.sh >/dev/null 2>&1; then
    echo "installing: wine32:i386"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wine32:i386
  fi
fi

# Wine takes its ANSI code page (932) from the Japanese locale.
if [ "${1:-}" != "--native" ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen
fi
echo "dependencies ready"
