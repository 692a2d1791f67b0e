#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing SETUP.EXE.
# Idempotent: when everything is present it only checks and returns in a second.
# The tests under Wine need 32-bit Wine where the kernel runs 32-bit programs, else
# 64-bit Wine and the 64-bit build (scripts/wine-arch.sh tells which); the shipping
# 32-bit program is cross-built on either kind of machine.
set -euo pipefail
kind=${LORVEL_WINE_ARCH:-$("$(dirname "$0")/wine-arch.sh")}

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine mscompress locales
  xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine
  clang libclang-rt-14-dev
)
case $kind in
  win32) packages+=(wine32:i386) ;;
  win64) packages+=(wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64) ;;
  *) echo "setup-machine: unknown Wine kind '$kind' (win32 or win64)" >&2; exit 1 ;;
esac

if [ "$kind" = win32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
for p in "${packages[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ "${#need[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# Wine's ANSI code page follows the locale; without a generated ja_JP locale
# non-ASCII file names fail with error 2.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
