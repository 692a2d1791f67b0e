# Sourced by the Wine helpers: one isolated prefix per kind of Wine, the Japanese
# locale (code page 932) and no writes outside the prefix.
here_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_dir=$(cd "$here_dir/.." && pwd)
# A build tree's tests name the Wine their programs need (CMake sets it from the
# toolchain: win32 for the i686 build, win64 for x86_64); run by hand, the machine
# decides. Each kind keeps its own prefix, as Wine cannot turn one into the other.
wine_arch=${LORVEL_WINE_ARCH:-$("$repo_dir/scripts/wine-arch.sh")}
case $wine_arch in
  win32) wine_root=${LORVEL_WINE_ROOT:-$repo_dir/build/wine} ;;
  win64)
    wine_root=${LORVEL_WINE_ROOT:-$repo_dir/build/wine64}
    case ":$PATH:" in *":$here_dir/wine64-bin:"*) ;; *) export PATH=$here_dir/wine64-bin:$PATH ;; esac
    ;;
  *) echo "wine-env: unknown Wine kind '$wine_arch' (win32 or win64)" >&2; return 1 ;;
esac
export LORVEL_WINE_ARCH=$wine_arch
export WINEPREFIX=$wine_root/prefix
export WINEARCH=$wine_arch
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
  if ! wineboot -i >/dev/null 2>&1; then
    echo "wine-env: wineboot could not set up a $WINEARCH prefix in $WINEPREFIX" >&2
    if [ "$WINEARCH" = win32 ] && [ "$("$repo_dir/scripts/wine-arch.sh")" = win64 ]; then
      echo "wine-env: this machine cannot run 32-bit programs; the windows64 preset runs the same tests" >&2
    fi
    return 1
  fi
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
