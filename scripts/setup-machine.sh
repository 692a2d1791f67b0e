#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing SETUP.EXE.
# Idempotent: when everything is present it only checks and returns in a second.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 mscompress locales
  xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine
  clang libclang-rt-14-dev
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  apt_update_needed=1
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
