#!/usr/bin/env bash
# The real SETUP.EXE under Wine against the bare loops, in one run: 1,000 and 4,000
# small files in one flat folder installed (SetupSpeed=1) through to the completion
# message, then uninstalled from the record, each beside bare_loop doing the least a
# copy (one existence check and one copy per file) or a delete (one deletion per
# file) can do on the same files in the same prefix.
#   bench/wine-speed-bench.sh [SETUP.EXE ...]   several programs are measured side by side
#   LORVEL_BENCH_COUNTS="1000 4000"  LORVEL_BENCH_REPEAT=3 (each figure the least of as many runs)
#   LORVEL_BENCH_PEERS=0 leaves out the peers' table (the peers need Debian's nsis and wixl)
# Run after a windows (or, without 32-bit Wine, windows64) build.
#
# The peers' table puts the first program's runs beside other installers of the same
# files in the same session: an NSIS installer (amd64 stub, stored, silent /S) and an
# MSI package (wixl, one component per file) under Wine's msiexec /qn, each with its
# own uninstaller, and SETUP.EXE by the wizard and unattended (/SILENT). Each figure is
# the install of N files less the same installer's install of one file, against the
# bare loop's own clock.
#
# The copy phase is the install's time less that of an install of one file (start-up,
# the fixed pauses, the completion) and less the per-file SetupSpeed pauses, which
# bare_loop measures as Sleep(1) per file; the removal likewise the uninstall's time
# less that of an uninstall of one file. A difference means something only when both
# runs start alike, so one Wine session stays up for the whole benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine-env.sh
source bench/flat-medium.sh
wine_prefix_ready
tree=build/windows
[ "$LORVEL_WINE_ARCH" = win64 ] && tree=build/windows64
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=("$tree/src/app/SETUP.EXE")
c=$WINEPREFIX/drive_c
tools=$c/e2e-tools
mkdir -p "$tools"
cp "$tree/tests/e2e_driver.exe" "$tools/driver.exe"
cp "$tree/tests/bare_loop.exe" "$tools/bare_loop.exe"
# Debian's wineserver (-p0) ends the session, its services and the desktop as soon as
# its last program ends, and the next program waits a second or more for new ones.
# Without a holder the one-file uninstall started in the install's dying session and
# the measured ones after bare_loop, which never joins the desktop, in a new one.
coproc HOLDER { wine 'C:\e2e-tools\bare_loop.exe' hold; }
holder_pid=$HOLDER_PID
holder_input=${HOLDER[1]}
read -r _ <&"${HOLDER[0]}" || { echo "bare_loop could not hold the Wine session" >&2; exit 1; }
release_holder() {
  eval "exec $holder_input>&-"
  wait "$holder_pid" || true
}
trap release_holder EXIT
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Bench'

now() { date +%s.%N; }
seconds() { awk "BEGIN { printf \"%.2f\", $2 - $1 }"; }

# Lays out a medium of count files beside the program.
medium() {
  rm -rf "$c/bench-target"
  lay_out_flat_medium "$c/bench-medium" "$1" "$2" 'C:\bench-target'
}

install_time() {
  cat > "$tools/bench-install.steps" <<'STEPS'
wait-limit 300000
start C:\bench-medium\SETUP.EXE
window "Bench"
click "セットアップ開始(&S)"
answer yes "このフォルダは存在しません．作成してもよろしいですか？"
answer ok "セットアップが完了しました．"
exit 0
STEPS
  local start; start=$(now)
  wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench-install.steps' >/dev/null
  seconds "$start" "$(now)"
}

uninstall_time() {
  cat > "$tools/bench-uninstall.steps" <<'STEPS'
wait-limit 300000
start C:\windows\UNKORAT.EXE "C:\bench-target\UNSETUP.INI"
window "Bench"
click "アンセットアップ開始(&S)"
answer ok "アンセットアップを完了しました．"
exit 0
STEPS
  local start; start=$(now)
  wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench-uninstall.steps' >/dev/null
  seconds "$start" "$(now)"
}

# The same install and uninstall started as a deployment tool starts them: /VERYSILENT,
# no window, no person; the driver's run step fails if a window shows.
quiet_install_time() {
  printf 'wait-limit 300000\r\nrun 0 C:\\bench-medium\\SETUP.EXE /VERYSILENT\r\n' > "$tools/bench-quiet-install.steps"
  local start; start=$(now)
  wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench-quiet-install.steps' >/dev/null
  seconds "$start" "$(now)"
}

quiet_uninstall_time() {
  printf 'wait-limit 300000\r\nrun 0 C:\\windows\\UNKORAT.EXE /VERYSILENT "C:\\bench-target\\UNSETUP.INI"\r\n' \
    > "$tools/bench-quiet-uninstall.steps"
  local start; start=$(now)
  wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench-quiet-uninstall.steps' >/dev/null
  seconds "$start" "$(now)"
}

# /SILENT: the progress window alone, as the peers' silent runs show theirs or none.
silent_install_time() {
  unattended_time 'run-shown 0 C:\bench-medium\SETUP.EXE /SILENT'
  [ -e "$c/bench-target/F1.DAT" ] || { echo "the /SILENT install copied nothing" >&2; exit 1; }
}
silent_uninstall_time() {
  unattended_time 'run-shown 0 C:\windows\UNKORAT.EXE /SILENT "C:\bench-target\UNSETUP.INI"'
  [ ! -e "$c/bench-target" ] || { echo "the /SILENT uninstall left the folder" >&2; exit 1; }
}

# One driver step (run or run-shown) timed from the shell, as the quiet runs are.
unattended_time() {
  printf 'wait-limit 300000\r\n%s\r\n' "$1" > "$tools/bench-unattended.steps"
  local start; start=$(now)
  wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench-unattended.steps' >/dev/null
  seconds "$start" "$(now)"
}

bare() { awk "BEGIN { printf \"%.2f\", $(wine 'C:\e2e-tools\bare_loop.exe' "$@" | tr -d '\r') / 1000 }"; }

# The least of each time over the repetitions: what a run adds is noise (the host's
# disk, its other work), never a saving, so the minimum is the truest figure.
repeat=${LORVEL_BENCH_REPEAT:-3}
least() { printf '%s\n' "$@" | sort -g | head -1; }

printf '%-12s %6s %9s %9s %9s %9s %6s   %9s %9s %9s %6s\n' program files install pauses copying bare ratio \
  uninstall removing bare ratio
quiet_rows=()
declare -A bare_copy_of bare_delete_of pauses_of peer_rows

# A row of the peers' table: the N-file run less the one-file run ("net" also less the
# per-file pauses the script asked for), and the ratios to the bare loops.
peer_row() {
  local name=$1 count=$2 install=$3 base=$4 pauses=$5 uninstall=$6 unbase=$7
  awk -v n="$name" -v count="$count" -v i="$install" -v b="$base" -v p="$pauses" -v bc="${bare_copy_of[$count]}" \
      -v u="$uninstall" -v ub="$unbase" -v bd="${bare_delete_of[$count]}" 'BEGIN {
    if (u == "") line = sprintf("%9s %9s %6s", "-", "-", "-")
    else line = sprintf("%8.2fs %8.2fs %6.2f", u, u - ub, (u - ub) / bd)
    printf "%-14s %6d %8.2fs %8.2fs %8.2fs %6.2f %6.2f   %s\n", n, count, i, i - b, i - b - p, (i - b) / bc, (i - b - p) / bc, line
  }'
}
for program in "${programs[@]}"; do
  label=$(cd "$(dirname "$program")/../../../.." && basename "$(pwd)")
  medium "$program" 1
  base_installs=() base_uninstalls=() base_silent_installs=() base_silent_uninstalls=()
  for _ in $(seq 1 "$repeat"); do
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    rm -f "$c/windows/UNKORAT.EXE"
    base_installs+=("$(install_time)")
    base_uninstalls+=("$(uninstall_time)")
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    rm -f "$c/windows/UNKORAT.EXE"
    base_silent_installs+=("$(silent_install_time)")
    base_silent_uninstalls+=("$(silent_uninstall_time)")
  done
  base_install=$(least "${base_installs[@]}")
  base_uninstall=$(least "${base_uninstalls[@]}")
  base_silent_install=$(least "${base_silent_installs[@]}")
  base_silent_uninstall=$(least "${base_silent_uninstalls[@]}")
  for count in ${LORVEL_BENCH_COUNTS:-1000 4000}; do
    medium "$program" "$count"
    totals=() pause_times=() bare_copies=() untotals=() bare_deletes=()
    for _ in $(seq 1 "$repeat"); do
      wine reg delete "$key" /f >/dev/null 2>&1 || true
      rm -f "$c/windows/UNKORAT.EXE"
      totals+=("$(install_time)")
      [ "$(find "$c/bench-target" -name 'F*.DAT' | wc -l)" = "$count" ] || { echo "the install copied too few files" >&2; exit 1; }
      pause_times+=("$(bare sleep "$count")")
      rm -rf "$c/bench-bare"; mkdir -p "$c/bench-bare"
      bare_copies+=("$(bare copy 'C:\bench-medium' 'C:\bench-bare' "$count")")
      untotals+=("$(uninstall_time)")
      [ ! -e "$c/bench-target" ] || { echo "the uninstall left the folder" >&2; exit 1; }
      bare_deletes+=("$(bare delete 'C:\bench-bare' "$count")")
    done
    total=$(least "${totals[@]}")
    pauses=$(least "${pause_times[@]}")
    bare_copy=$(least "${bare_copies[@]}")
    untotal=$(least "${untotals[@]}")
    bare_delete=$(least "${bare_deletes[@]}")
    copying=$(awk "BEGIN { printf \"%.2f\", $total - $base_install - $pauses }")
    copy_ratio=$(awk "BEGIN { printf \"%.2f\", $copying / $bare_copy }")
    removing=$(awk "BEGIN { printf \"%.2f\", $untotal - $base_uninstall }")
    delete_ratio=$(awk "BEGIN { printf \"%.2f\", $removing / $bare_delete }")
    if [ "$program" = "${programs[0]}" ]; then
      silent_installs=() silent_uninstalls=()
      for _ in $(seq 1 "$repeat"); do
        wine reg delete "$key" /f >/dev/null 2>&1 || true
        rm -f "$c/windows/UNKORAT.EXE"
        silent_installs+=("$(silent_install_time)")
        [ "$(find "$c/bench-target" -name 'F*.DAT' | wc -l)" = "$count" ] || { echo "the /SILENT install copied too few files" >&2; exit 1; }
        silent_uninstalls+=("$(silent_uninstall_time)")
      done
      bare_copy_of[$count]=$bare_copy bare_delete_of[$count]=$bare_delete pauses_of[$count]=$pauses
      peer_rows[$count]="$(peer_row "SETUP wizard" "$count" "$total" "$base_install" "$pauses" "$untotal" "$base_uninstall")"
      peer_rows[$count]+=$'\n'"$(peer_row "SETUP /SILENT" "$count" "$(least "${silent_installs[@]}")" \
        "$base_silent_install" "$pauses" "$(least "${silent_uninstalls[@]}")" "$base_silent_uninstall")"
    fi
    printf '%-12s %6d %8ss %8ss %8ss %8ss %6s   %8ss %8ss %8ss %6s\n' "$label" "$count" "$total" "$pauses" \
      "$copying" "$bare_copy" "$copy_ratio" "$untotal" "$removing" "$bare_delete" "$delete_ratio"
    quiet_installs=() quiet_uninstalls=()
    for _ in $(seq 1 "$repeat"); do
      wine reg delete "$key" /f >/dev/null 2>&1 || true
      rm -f "$c/windows/UNKORAT.EXE"
      quiet_installs+=("$(quiet_install_time)")
      [ "$(find "$c/bench-target" -name 'F*.DAT' | wc -l)" = "$count" ] || { echo "the unattended install copied too few files" >&2; exit 1; }
      quiet_uninstalls+=("$(quiet_uninstall_time)")
      [ ! -e "$c/bench-target" ] || { echo "the unattended uninstall left the folder" >&2; exit 1; }
    done
    quiet_install=$(least "${quiet_installs[@]}")
    quiet_uninstall=$(least "${quiet_uninstalls[@]}")
    quiet_rows+=("$(printf '%-12s %6d %8ss %8ss %6s   %8ss %8ss %6s' "$label" "$count" "$quiet_install" "$total" \
      "$(awk "BEGIN { printf \"%.2f\", $quiet_install / $total }")" "$quiet_uninstall" "$untotal" \
      "$(awk "BEGIN { printf \"%.2f\", $quiet_uninstall / $untotal }")")")
  done
done
# Unattended (/VERYSILENT) against the wizard's runs above: the same script and pauses,
# no window, no question.
printf '\n%-12s %6s %9s %9s %6s   %9s %9s %6s\n' unattended files install wizard ratio uninstall wizard ratio
printf '%s\n' "${quiet_rows[@]}"

if [ "${LORVEL_BENCH_PEERS:-1}" != 0 ]; then
  # The peers come from Debian (a few MB); only the benchmark needs them, so it installs
  # them itself rather than every machine's set-up.
  if ! command -v makensis >/dev/null || ! command -v wixl >/dev/null; then
    if [ "$(id -u)" = 0 ]; then
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nsis wixl >/dev/null ||
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nsis wixl >/dev/null; }
    fi
    command -v makensis >/dev/null && command -v wixl >/dev/null ||
      { echo "the peers need makensis and wixl (Debian packages nsis and wixl)" >&2; exit 1; }
  fi
  peers=$c/bench-peers
  # The peers' own media: the same flat files, packed as each installer packs them.
  peer_media() {
    local count=$1 i
    rm -rf "$peers"
    mkdir -p "$peers/files"
    for i in $(seq 1 "$count"); do echo "small file $i" > "$peers/files/F$i.DAT"; done
    {
      printf 'Unicode true\nTarget amd64-unicode\nSetCompress off\nName "Bench"\nOutFile "%s"\n' "$peers/nsis.exe"
      printf 'InstallDir "C:\\bench-nsis"\nRequestExecutionLevel admin\nSection\nSetOutPath "$INSTDIR"\n'
      for i in $(seq 1 "$count"); do printf 'File "%s/files/F%d.DAT"\n' "$peers" "$i"; done
      printf 'WriteUninstaller "$INSTDIR\\uninst.exe"\nSectionEnd\nSection "Uninstall"\n'
      for i in $(seq 1 "$count"); do printf 'Delete "$INSTDIR\\F%d.DAT"\n' "$i"; done
      printf 'Delete "$INSTDIR\\uninst.exe"\nRMDir "$INSTDIR"\nSectionEnd\n'
    } > "$peers/bench.nsi"
    makensis -V1 "$peers/bench.nsi" >/dev/null || { echo "makensis could not build the installer" >&2; exit 1; }
    {
      printf '<?xml version="1.0" encoding="utf-8"?>\n<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">\n'
      printf '<Product Id="*" Name="Bench" Language="1033" Version="1.0.0" Manufacturer="Bench" UpgradeCode="6b1f3c1e-6a8e-4c1d-9a3e-2f7d1b0c4a11">\n'
      printf '<Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>\n'
      printf '<Media Id="1" Cabinet="bench.cab" EmbedCab="yes"/>\n'
      printf '<Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="INSTALLDIR" Name="bench-msi">\n'
      for i in $(seq 1 "$count"); do
        printf '<Component Id="C%d" Guid="*" Win64="yes"><File Id="F%d" Source="files/F%d.DAT" KeyPath="yes"/></Component>\n' \
          "$i" "$i" "$i"
      done
      printf '</Directory></Directory>\n<Feature Id="All" Level="1">\n'
      for i in $(seq 1 "$count"); do printf '<ComponentRef Id="C%d"/>\n' "$i"; done
      printf '</Feature>\n</Product>\n</Wix>\n'
    } > "$peers/bench.wxs"
    # wixl takes the files' paths relative to where it runs.
    (cd "$peers" && wixl -a x64 -o bench.msi bench.wxs 2>/dev/null) ||
      { echo "wixl could not build the package" >&2; exit 1; }
  }
  landed() { find "$1" -name 'F*.DAT' 2>/dev/null | wc -l; }
  # One peer's install and uninstall of count files; prints "install uninstall".
  peer_run() {
    local peer=$1 count=$2 install uninstall
    case $peer in
      nsis)
        rm -rf "$c/bench-nsis"
        install=$(unattended_time 'run 0 C:\bench-peers\nsis.exe /S')
        [ "$(landed "$c/bench-nsis")" = "$count" ] || { echo "the NSIS install copied too few files" >&2; exit 1; }
        # _?= keeps the uninstaller where it is and waits for it, instead of a copy in
        # the temporary folder that the shell could not wait for.
        uninstall=$(unattended_time 'run 0 C:\bench-nsis\uninst.exe /S _?=C:\bench-nsis')
        [ "$(landed "$c/bench-nsis")" = 0 ] || { echo "the NSIS uninstall left files" >&2; exit 1; }
        rm -rf "$c/bench-nsis"
        ;;
      msi)
        install=$(unattended_time 'run 0 msiexec /i C:\bench-peers\bench.msi /qn TARGETDIR=C:\')
        [ "$(landed "$c/bench-msi")" = "$count" ] || { echo "the MSI install copied too few files" >&2; exit 1; }
        uninstall=$(unattended_time 'run 0 msiexec /x C:\bench-peers\bench.msi /qn')
        [ "$(landed "$c/bench-msi")" = 0 ] || { echo "the MSI uninstall left files" >&2; exit 1; }
        ;;
    esac
    echo "$install $uninstall"
  }
  # The least install and the least uninstall over the repetitions.
  peer_least() {
    local peer=$1 count=$2 installs=() uninstalls=() pair
    for _ in $(seq 1 "$repeat"); do
      pair=$(peer_run "$peer" "$count")
      installs+=("${pair% *}") uninstalls+=("${pair#* }")
    done
    echo "$(least "${installs[@]}") $(least "${uninstalls[@]}")"
  }
  declare -A peer_base
  peer_media 1
  for peer in nsis msi; do peer_base[$peer]=$(peer_least "$peer" 1); done
  printf '\n%-14s %6s %9s %9s %9s %6s %6s   %9s %9s %6s\n' peers files install "less one" net ratio "net r." \
    uninstall "less one" ratio
  for count in ${LORVEL_BENCH_COUNTS:-1000 4000}; do
    awk -v count="$count" -v b="${bare_copy_of[$count]}" -v d="${bare_delete_of[$count]}" 'BEGIN {
      printf "%-14s %6d %9s %8.2fs %8.2fs %6.2f %6.2f   %9s %8.2fs %6.2f\n", "bare loop", count, "-", b, b, 1, 1, "-", d, 1 }'
    peer_media "$count"
    for peer in nsis msi; do
      pair=$(peer_least "$peer" "$count") base=${peer_base[$peer]}
      peer_row "$( [ "$peer" = nsis ] && echo "NSIS /S" || echo "MSI /qn")" "$count" "${pair% *}" "${base% *}" 0 \
        "${pair#* }" "${base#* }"
    done
    printf '%s\n' "${peer_rows[$count]}"
  done
  rm -rf "$peers" "$c/bench-nsis" "$c/bench-msi"
fi
rm -rf "$c/bench-medium" "$c/bench-target" "$c/bench-bare"
wine reg delete "$key" /f >/dev/null 2>&1 || true
