# Sourced by the Wine helpers: one isolated prefix per kind of Wine, the Japanese
# locale (code page 932) and no writes outside the prefix.
here_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_dir=$(cd "$here_dir/.." && pwd)
# A build tree's tests name the Wine their programs need (CMake sets it from the
# toolchain: win32 for the i686 build, win64 for x86_64); run by hand, the machine
# decides. Each kind keeps its own prefix, as Wine cannot turn one into the other.
# wow64 is the 32-bit build in a 64-bit prefix, as a 32-bit installer runs on 64-bit
# Windows; on a kernel without 32-bit user mode its 32-bit processes run under
# qemu-i386 (tests/wow64/). LORVEL_WINE_ARCH_FORCE puts a run in another kind: the
# 32-bit build in a pure 32-bit prefix (win32) where the kernel allows it.
wine_arch=${LORVEL_WINE_ARCH_FORCE:-${LORVEL_WINE_ARCH:-$("$repo_dir/scripts/wine-arch.sh")}}
wine_overrides="winemenubuilder.exe=d;mscoree=;mshtml="
use_wine64_bin() {
  case ":$PATH:" in *":$here_dir/wine64-bin:"*) ;; *) export PATH=$here_dir/wine64-bin:$PATH ;; esac
}
case $wine_arch in
  win32) wine_root=${LORVEL_WINE_ROOT:-$repo_dir/build/wine} ;;
  win64)
    wine_root=${LORVEL_WINE_ROOT:-$repo_dir/build/wine64}
    use_wine64_bin
    ;;
  wow64)
    wine_root=${LORVEL_WINE_ROOT:-$repo_dir/build/wow64}
    "$here_dir/wow64/prepare.sh" "$wine_root" || return 1
    use_wine64_bin
    export LORVEL_WINE_LOADER=$wine_root/loader/lib/wine/wine64
    # Debian keeps the one i386 zlib1.dll, which every 32-bit user32 needs, among
    # the 64-bit package's files.
    export WINEDLLPATH=/usr/lib/x86_64-linux-gnu/wine
    if [ "$("$repo_dir/scripts/wine-arch.sh")" = win64 ]; then
      # An emulated process that crashes would start the debugger, which hangs
      # under the emulator and keeps the server from ever ending.
      wine_overrides+=";winedbg.exe=d"
    fi
    ;;
  *) echo "wine-env: unknown Wine kind '$wine_arch' (win32, win64 or wow64)" >&2; return 1 ;;
esac
export LORVEL_WINE_ARCH=$wine_arch
export WINEPREFIX=$wine_root/prefix
export WINEARCH=${wine_arch/wow64/win64}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=$wine_overrides
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

# What the program under test is shown: a 32-bit program on 64-bit Windows (wow64)
# gets the "(x86)" Program Files folder and keeps HKLM\SOFTWARE in the registry's
# 32-bit view, where other 32-bit installers look too. wine_reg is reg.exe in the
# program's view for HKLM keys; HKCR and HKCU keys are named without a view, as
# Windows shares the ones the program writes between both, and Wine's reg.exe looks
# for an HKCR key given /reg:32 only in the 32-bit classes, where those are not.
wine_program_files='C:\Program Files'
wine_reg_view=()
if [ "$wine_arch" = wow64 ]; then
  wine_program_files='C:\Program Files (x86)'
  wine_reg_view=(/reg:32)
fi
wine_reg() {
  local view=()
  case $2 in HKLM\\* | HKEY_LOCAL_MACHINE\\*) view=("${wine_reg_view[@]}") ;; esac
  wine reg "$@" "${view[@]}"
}
