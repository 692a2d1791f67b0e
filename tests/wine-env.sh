# Sourced by the Wine helpers: one isolated 32-bit prefix per build tree, the
# Japanese locale (code page 932) and no writes outside the prefix.
here_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_dir=$(cd "$here_dir/.." && pwd)
wine_root=${LORVEL_WINE_ROOT:-$repo_dir/build/wine}
export WINEPREFIX=$wine_root/prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
export HOME=$wine_root/home
export LC_ALL=ja_JP.UTF-8
export LANG=ja_JP.UTF-8
mkdir -p "$HOME"

# Headless unless a display is asked for: Wine's null graphics driver still gives
# windows, buttons and message boxes.
wine_graphics() {
  local driver=$1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
}

wine_prefix_fresh() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$wine_root"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  # The design fonts map to the installed IPA fonts of the same kind (proportional
  # and fixed), so the windows look as designed.
  local replacements='HKCU\Software\Wine\Fonts\Replacements'
  wine reg add "$replacements" /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >/dev/null 2>&1
  wine reg add "$replacements" /v 'ＭＳ ゴシック' /d 'IPAGothic' /f >/dev/null 2>&1
  wine_graphics null
}

wine_prefix_ready() {
  [ -f "$WINEPREFIX/system.reg" ] || wine_prefix_fresh
}
