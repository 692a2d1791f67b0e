#!/usr/bin/env bash
# Lays out what a 64-bit prefix needs to run the 32-bit build under WoW64, in
# $1 (build/wow64 by default):
#   loader/  a private copy of Wine's two loaders with the rest of Wine's files
#            linked beside them. The 64-bit loader starts a 32-bit child through the
#            loader named as itself less "64", so the pair must sit in one folder;
#            the machine's own /usr/lib/wine is left as it was, which keeps
#            Debian's wine wrapper on the 64-bit loader for everything else.
# Idempotent and quick when done; the files come from the installed 32-bit Wine
# loader where there is one, else from Debian's wine32 package, unpacked here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${1:-$(cd "$here/../.." && pwd)/build/wow64}
loader=$root/loader
preload=$root/preload

lay_out_loader() {
  [ -x "$loader/lib/wine/wine" ] && [ -x "$loader/lib/wine/wine64" ] && return
  rm -rf "$loader" && mkdir -p "$loader/lib/wine"
  if [ -x /usr/lib/wine/wine ]; then
    cp /usr/lib/wine/wine "$loader/lib/wine/wine"
  else
    local debs
    debs=$(mktemp -d)
    (cd "$debs" && apt-get download -qq wine32:i386 >/dev/null 2>&1) ||
      { echo "wow64: could not download Debian's wine32:i386 package" >&2; rm -rf "$debs"; return 1; }
    dpkg-deb -x "$debs"/wine32_*.deb "$debs/unpacked"
    cp "$debs/unpacked/usr/lib/wine/wine" "$loader/lib/wine/wine"
    rm -rf "$debs"
  fi
  # Copies, not links: each loader finds its libraries relative to its own real
  # path, and the 64-bit one re-executes itself by that path.
  cp /usr/lib/wine/wine64 "$loader/lib/wine/wine64"
  for preloader in wine-preloader wine64-preloader; do
    if [ -x "/usr/lib/wine/$preloader" ]; then cp "/usr/lib/wine/$preloader" "$loader/lib/wine/"; fi
  done
  ln -s /usr/lib/i386-linux-gnu "$loader/lib/i386-linux-gnu"
  ln -s /usr/lib/x86_64-linux-gnu "$loader/lib/x86_64-linux-gnu"
  ln -s /usr/share "$loader/share"
}

lay_out_loader
