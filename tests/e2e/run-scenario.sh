#!/usr/bin/env bash
# Runs one e2e scenario: lays out its medium in the Wine prefix beside the real
# SETUP.EXE, lets the driver walk the steps like a user, then checks files and the
# registry from the Linux side.
#   run-scenario.sh <scenario folder> <SETUP.EXE> <driver.exe> [test components folder]
# A scenario folder holds steps.txt (the driver's script, where "{ProgramFiles}"
# stands for the Program Files folder the program sees), optionally medium/ (the
# files beside SETUP.EXE; "*.utf8" files are converted to Shift-JIS, "*.lzc" files are
# compressed by lorvel compress the conventional way: "README.TXT.lzc" becomes
# README.TX_ with "T" stored in its header), before.sh and check.sh (sourced, with
# the variables below; $lorvel_tool is the host build of the script author's tool).
set -euo pipefail
scenario=$(cd "$1" && pwd)
setup_exe=$2
driver_exe=$3
components=${4:-}
source "$(dirname "$0")/../wine-env.sh"
wine_prefix_ready

name=$(basename "$scenario")
lorvel_tool=${LORVEL_TOOL:-$repo_dir/build/host/tools/lorvel/lorvel}
c_drive=$WINEPREFIX/drive_c
tools=$c_drive/e2e-tools
media=$c_drive/e2e/$name
temp_dir=$c_drive/users/$(whoami)/Temp

fail() { echo "e2e $name: $*" >&2; exit 1; }
# The 32-bit system folder on disk, for checks that it is kept; none elsewhere.
wow64_system=
if [ "$LORVEL_WINE_ARCH" = wow64 ]; then wow64_system=syswow64; fi
# The registry as the program left it, in UTF-8.
reg_query() { wine_reg query "$@" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r'; }
# Deletes registry keys (full root names) with all below them; a missing key is no
# error.
reg_delete() {
  local key
  for key in "$@"; do wine_reg delete "$key" /f >/dev/null 2>&1 || true; done
}
# The lines of one section of a Shift-JIS profile file (a record, say), in UTF-8.
ini_section() {
  iconv -f CP932 -t UTF-8 < "$1" | tr -d '\r' | awk -v want="[$2]" '$0 == want {on=1; next} /^\[/ {on=0} on'
}
# Target=, Arguments= and WorkingDirectory= of shortcut files (Windows paths), as the
# shell's link object reads them back.
read_link() { wine 'C:\e2e-tools\link_reader.exe' "$@" | tr -d '\r'; }

# Starts a program as a deployment tool does and prints its exit code; a program that
# has not ended after the limit (60 s unless given) counts as hung (124). Wine hands
# the shell only the low 8 bits of a Windows exit code (1603 arrives as 67): compare
# with wine_code; the driver's run step reads the whole code.
run_unattended() {
  local limit=${RUN_LIMIT:-60} code=0
  timeout "$limit" wine "$@" >/dev/null 2>&1 || code=$?
  echo "$code"
}
wine_code() { echo $(( $1 & 255 )); }
# Media made by the script author's tool need its host build.
need_lorvel() { [ -x "$lorvel_tool" ] || fail "$lorvel_tool is missing: build it with cmake --build --preset host --target lorvel"; }
mkdir -p "$tools" "$temp_dir"
cp "$driver_exe" "$tools/driver.exe"
if [ -f "$components/link_reader.exe" ]; then cp "$components/link_reader.exe" "$tools/link_reader.exe"; fi
rm -rf "$media"
mkdir -p "$media"
cp "$setup_exe" "$media/SETUP.EXE"
# Every scenario starts without work folders, uninstaller or folder memory, whatever
# an earlier one left.
rm -rf "$temp_dir"/KRTMP*
rm -f "$c_drive/windows/UNKORAT.EXE" "$c_drive/windows/KORAT98.INI"
if [ -d "$scenario/medium" ]; then cp -r "$scenario/medium/." "$media/"; fi
if [ -f "$scenario/before.sh" ]; then source "$scenario/before.sh"; fi
# Files kept in UTF-8 here ("SETUP.INI.utf8") reach the medium in Shift-JIS.
while IFS= read -r -d '' text; do
  iconv -f UTF-8 -t CP932 "$text" > "${text%.utf8}"
  rm "$text"
done < <(find "$media" -name '*.utf8' -print0)
while IFS= read -r -d '' plain; do
  need_lorvel
  original=${plain%.lzc}
  mv "$plain" "$original"
  "$lorvel_tool" compress "$original" >/dev/null || fail "lorvel could not compress $(basename "$original")"
  rm "$original"
done < <(find "$media" -name '*.lzc' -print0)
# A scenario without steps is started from check.sh alone, as a deployment tool
# starts the program: no driver, only the exit code.
if [ -f "$scenario/steps.txt" ]; then
  # "{ProgramFiles}" in the steps is the Program Files folder the program is shown:
  # the "(x86)" one for a 32-bit program on 64-bit Windows.
  steps=$(<"$scenario/steps.txt")
  printf '%s\n' "${steps//\{ProgramFiles\}/$wine_program_files}" > "$tools/$name.steps"
  snap_args=()
  if [ -n "${LORVEL_SNAP_DIR:-}" ]; then snap_args=("$(winepath -w "$LORVEL_SNAP_DIR" 2>/dev/null)"); fi
  wine 'C:\e2e-tools\driver.exe' "C:\\e2e-tools\\$name.steps" "${snap_args[@]}" || fail "the driver failed"
fi

if [ -f "$scenario/check.sh" ]; then source "$scenario/check.sh"; fi
echo "e2e $name: passed"
