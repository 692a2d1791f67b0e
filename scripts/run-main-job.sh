#!/usr/bin/env bash
# The main job: builds the real SETUP.EXE, lays out the sample medium and runs it
# under Wine, walking the wizard like a user through a complete install, then shows
# what the install left: the files, the uninstall record, the uninstaller and its
# entry in the system's list of installed programs.
# Headless by default; with --screenshots it runs under Xvfb and saves a screenshot
# of each window into docs/screenshots/.
# The shipping 32-bit SETUP.EXE runs as most users run it, on 64-bit Windows
# (WoW64, in a 64-bit prefix); where the kernel has no 32-bit user mode, Wine's
# 32-bit processes run under qemu-i386.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
./scripts/setup-machine.sh
export LORVEL_WINE_ARCH=wow64
# Only what the job runs: the program, the driver that walks it and the link reader,
# not every test program of the preset.
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2 --target SETUP e2e_driver link_reader
tree=build/windows
bits=32
# The medium is laid out by the script author's tool, a host program.
cmake --preset host >/dev/null
cmake --build --preset host -j 2 --target lorvel

source tests/wine-env.sh
wine_prefix_ready
# The "(x86)" folder the 32-bit program is shown (wine_program_files), below C:\.
program_files=${wine_program_files#C:\\}
medium=$WINEPREFIX/drive_c/SampleMedium
# Work folders left by a run that was killed would shift the one this run takes.
rm -rf "$WINEPREFIX/drive_c/users/$(whoami)/Temp"/KRTMP*
# A fresh target, so the run meets the sample's setup folder as a new user would.
rm -rf "$WINEPREFIX/drive_c/$program_files/Lorvel Sample"
rm -f "$WINEPREFIX/drive_c/windows/UNKORAT.EXE" "$WINEPREFIX/drive_c/windows/LORVELSAMPLE.INI"
# What an earlier main job that stopped halfway may have left in the registry.
for key in 'HKCU\Software\Lorvel Sample' 'HKCR\.LSMP' 'HKCR\LSMP_auto_file'; do
  wine_reg delete "$key" /f >/dev/null 2>&1 || true
done
samples/layout-medium.sh samples/sample-app "$tree/src/app/SETUP.EXE" "$medium"
mkdir -p "$WINEPREFIX/drive_c/e2e-tools"
cp "$tree/tests/e2e_driver.exe" "$WINEPREFIX/drive_c/e2e-tools/driver.exe"
steps=$(<samples/main-job.steps)
printf '%s\n' "${steps//\{ProgramFiles\}/$wine_program_files}" > "$WINEPREFIX/drive_c/e2e-tools/main-job.steps"

snap_dir=()
if [ "${1:-}" = "--screenshots" ]; then
  source tests/xvfb-snaps.sh
  xvfb_snaps_start :77
  snap_dir=("$(winepath -w "$snap_requests")")
fi

wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\main-job.steps' "${snap_dir[@]}"
target="$WINEPREFIX/drive_c/$program_files/Lorvel Sample"
for file in README.TXT DATA/SAMPLE.DAT; do
  [ -f "$target/$file" ] || { echo "main job: $file was not installed" >&2; exit 1; }
done
cmp -s "$target/DATA/SAMPLE.DAT" samples/sample-app/compress/SAMPLE.DAT ||
  { echo "main job: DATA\\SAMPLE.DAT did not expand to the original" >&2; exit 1; }
[ -f "$target/UNSETUP.INI" ] || { echo "main job: no uninstall record was written" >&2; exit 1; }
[ -f "$WINEPREFIX/drive_c/windows/UNKORAT.EXE" ] || { echo "main job: the uninstaller was not installed" >&2; exit 1; }
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\サンプルアプリケーション アンセットアップ'
echo "main job: the sample medium ran from C:\\SampleMedium with the $bits-bit $tree/src/app/SETUP.EXE;"
echo "the wizard was walked and the install completed into C:\\$program_files\\Lorvel Sample\\:"
(cd "$target" && find . -type f | sort | sed 's|^\./|  |')
echo
echo "The uninstall record UNSETUP.INI:"
iconv -f CP932 -t UTF-8 < "$target/UNSETUP.INI" | tr -d '\r' | sed 's/^/  /'
echo
echo "The entry in the list of installed programs:"
wine_reg query "$entry" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
  sed '/^$/d; s/^/  /'

# The uninstall, as a user starts it from the list of installed programs.
echo
echo "The settings the install made:"
link=$(find "$WINEPREFIX/drive_c/users" -name 'お読みください.lnk' -print -quit)
[ -n "$link" ] || { echo "main job: the Start menu shortcut was not made" >&2; exit 1; }
echo "  the shortcut ${link#"$WINEPREFIX/drive_c/"}, as the shell's link object reads it:"
cp "$tree/tests/link_reader.exe" "$WINEPREFIX/drive_c/e2e-tools/link_reader.exe"
wine 'C:\e2e-tools\link_reader.exe' "$(winepath -w "$link" 2>/dev/null)" | tr -d '\r' | sed 's/^/    /'
wine 'C:\e2e-tools\link_reader.exe' "$(winepath -w "$link" 2>/dev/null)" | grep -qF "Target=C:\\$program_files\\Lorvel Sample\\README.TXT" ||
  { echo "main job: the shortcut does not point to the readme" >&2; exit 1; }
settings_key='HKCU\Software\Lorvel Sample'
wine_reg query "$settings_key" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' | sed '/^$/d; s/^/  /'
wine_reg query "$settings_key" /v InstallFolder >/dev/null 2>&1 ||
  { echo "main job: the registry value was not written" >&2; exit 1; }
profile=$WINEPREFIX/drive_c/windows/LORVELSAMPLE.INI
[ -f "$profile" ] || { echo "main job: the INI entry was not written" >&2; exit 1; }
echo "  C:\\windows\\LORVELSAMPLE.INI:"
iconv -f CP932 -t UTF-8 < "$profile" | tr -d '\r' | sed 's/^/    /'
for key in 'HKCR\.LSMP' 'HKCR\LSMP_auto_file' 'HKCR\LSMP_auto_file\shell\open\command'; do
  wine_reg query "$key" >/dev/null 2>&1 || { echo "main job: the association key $key is missing" >&2; exit 1; }
  wine_reg query "$key" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' | sed '/^$/d; s/^/  /'
done

uninstall=$(wine_reg query "$entry" /v UninstallString 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
  sed -n 's/^ *UninstallString *REG_SZ *//p')
[ -n "$uninstall" ] || { echo "main job: the entry has no UninstallString" >&2; exit 1; }
steps=$(cat samples/main-job-uninstall.steps.in)
printf '%s\n' "${steps//@UNINSTALL_STRING@/$uninstall}" > "$WINEPREFIX/drive_c/e2e-tools/main-job-uninstall.steps"
wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\main-job-uninstall.steps' "${snap_dir[@]}"
echo
echo "main job: the uninstall ran as the list of installed programs starts it: $uninstall"
left=0
for gone in "$target" "$target/UNSETUP.INI"; do
  if [ -e "$gone" ]; then echo "  still there: $gone" >&2; left=1; fi
done
if wine_reg query "$entry" >/dev/null 2>&1; then echo "  still listed: $entry" >&2; left=1; fi
if [ -e "$link" ]; then echo "  still there: $link" >&2; left=1; fi
if [ -e "$profile" ]; then echo "  still there: $profile" >&2; left=1; fi
for key in "$settings_key" 'HKCR\.LSMP' 'HKCR\LSMP_auto_file'; do
  if wine_reg query "$key" >/dev/null 2>&1; then echo "  still in the registry: $key" >&2; left=1; fi
done
memory=$WINEPREFIX/drive_c/windows/KORAT98.INI
if [ -f "$memory" ] && iconv -f CP932 -t UTF-8 < "$memory" | grep -q '^\[LORVELSAMPLE\]'; then
  echo "  the folder memory still holds [LORVELSAMPLE]" >&2; left=1
fi
[ "$left" = 0 ] || { echo "main job: the uninstall left things behind" >&2; exit 1; }
echo "  the files, the shortcut, the settings, the association, the record, the setup folder, the list entry"
echo "  and the folder memory section are gone"
echo "main job: done in $SECONDS s, the build included"
