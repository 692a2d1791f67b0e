#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing SETUP.EXE.
# Idempotent: when everything is present it only checks and returns in a second.
# The shipping 32-bit program runs its tests in a 64-bit prefix (WoW64), as on the
# 64-bit Windows most users have; the 64-bit build has a run of its own. Where the
# kernel runs 32-bit programs (scripts/wine-arch.sh says win32) 32-bit Wine runs
# natively and a pure 32-bit prefix is tested too; elsewhere Wine's 32-bit processes
# run under qemu-i386 (tests/wow64/register-binfmt.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# What the kernel runs, whatever kind of Wine a caller asks for.
kind=$("$here/wine-arch.sh")

need=()
backports=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 libwine:i386 mscompress locales
  xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine
  clang clang-format libclang-rt-14-dev
  osslsigncode openssl
)
case $kind in
  win32) packages+=(wine32:i386) ;;
  # qemu 10: the 7.2 of Debian 12 cannot run 32-bit Wine soundly.
  win64) backports+=(qemu-user) ;;
  *) echo "setup-machine: unknown Wine kind '$kind' (win32 or win64)" >&2; exit 1 ;;
esac

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# The Debian archive the machine already takes bookworm from, for the backports suite
# beside it: whatever mirror or proxy its administrator chose.
debian_mirror() {
  local uri
  uri=$(awk 'BEGIN { RS = "" } /(^|\n)Suites:([^\n]* )?bookworm( |\n|$)/ {
           if (match($0, /(^|\n)URIs: *[^ \n]+/)) { u = substr($0, RSTART, RLENGTH); sub(/.*URIs: */, "", u); print u; exit } }' \
          /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
    uri=$(sed -E 's/\[[^]]*\] *//' /etc/apt/sources.list | awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }')
  fi
  echo "$uri"
}
sources=/etc/apt/sources.list.d/lorvel-backports.sources
if [ "${#backports[@]}" -gt 0 ] && [ ! -f "$sources" ]; then
  mirror=$(debian_mirror)
  [ -n "$mirror" ] || { echo "setup-machine: the apt sources name no Debian bookworm archive to take the backports from" >&2; exit 1; }
  printf '%s\n' 'Types: deb' "URIs: $mirror" 'Suites: bookworm-backports' \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' > "$sources"
fi
for p in "${packages[@]}"; do have_pkg "$p" || need+=("$p"); done
missing_backports=()
for p in "${backports[@]}"; do
  [ -x /usr/bin/qemu-i386 ] && /usr/bin/qemu-i386 --version | grep -q 'version [1-9][0-9]\.' || missing_backports+=("$p")
done

if [ "${#need[@]}" -gt 0 ] || [ "${#missing_backports[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails one index and leaves the others fresh: what
  # matters is whether the packages install, which the next lines tell.
  apt-get update -qq || echo "setup-machine: some package lists could not be fetched; going on with the others" >&2
  if [ "${#need[@]}" -gt 0 ]; then apt-get install -y -qq --no-install-recommends "${need[@]}"; fi
  if [ "${#missing_backports[@]}" -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends -t bookworm-backports "${missing_backports[@]}"
  fi
fi
if [ "$kind" = win64 ]; then "$here/../tests/wow64/register-binfmt.sh"; fi

# Wine's ANSI code page follows the locale; without a generated ja_JP locale
# non-ASCII file names fail with error 2.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
