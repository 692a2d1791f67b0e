#!/usr/bin/env bash
# The real SETUP.EXE under Wine beside the bare loops and its peers, in one Wine
# session: N small files in one flat folder (SetupSpeed=1) installed and uninstalled
# by SETUP.EXE (by the wizard, /SILENT and /VERYSILENT), by an NSIS installer (amd64
# stub, stored, silent /S) and by an MSI package (wixl, one component per file) under
# Wine's msiexec /qn, each with its own uninstaller; beside bare_loop doing the least
# a copy (one existence check and one CopyFileW per file) or a delete (one DeleteFileW
# per file) can do on the same files in the same prefix.
#   bench/wine-speed-bench.sh [SETUP.EXE]
#   LORVEL_BENCH_COUNTS="1000 4000 10000"  LORVEL_BENCH_REPEAT=3 (each figure the least of as many runs)
#   LORVEL_BENCH_MSI_COUNTS="1000 4000" (the counts the MSI runs at)
#   LORVEL_BENCH_PEERS=0 leaves out the peers (they need Debian's nsis and wixl)
# Run after a windows (or, without 32-bit Wine, windows64) build.
#
# Each installer's row: its whole run of N files from the shell, the same less its run
# of one file ("less one", which takes out start-up and completion), and that against
# the bare loop's own clock; for the unattended runs also the time from the start to
# the first file on disk and from the last one to the end. A difference means
# something only when both runs start alike, so one Wine session stays up throughout.
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

# One driver step, run and timed from the shell: prints its whole time, the time from
# its start to the first of the files landing in folder, and from the last of them to
# its end ("total start finish"; "-" for the two without a folder). A file's change
# time is when the copy wrote it; the copy keeps the medium's time of last change.
unattended_time() {
  printf 'wait-limit 300000\r\n%s\r\n' "$1" > "$tools/bench-unattended.steps"
  local start end; start=$(now)
  wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench-unattended.steps' >/dev/null
  end=$(now)
  if [ -n "${2:-}" ]; then
    find "$2" -name 'F*.DAT' -printf '%C@\n' | sort -g |
      awk -v s="$start" -v e="$end" 'NR == 1 { first = $1 } { last = $1 } END { printf "%.2f %.2f %.2f\n", e - s, first - s, e - last }'
  else
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f - -\n", e - s }'
  fi
}

# The same install and uninstall started as a deployment tool starts them: /VERYSILENT,
# no window, no person; the driver's run step fails if a window shows.
quiet_install_time() {
  unattended_time 'run 0 C:\bench-medium\SETUP.EXE /VERYSILENT' "$c/bench-target"
}
quiet_uninstall_time() {
  unattended_time 'run 0 C:\windows\UNKORAT.EXE /VERYSILENT "C:\bench-target\UNSETUP.INI"'
}
# /SILENT: the progress window alone, as the peers' silent runs show theirs or none.
silent_install_time() {
  unattended_time 'run-shown 0 C:\bench-medium\SETUP.EXE /SILENT' "$c/bench-target"
}
silent_uninstall_time() {
  unattended_time 'run-shown 0 C:\windows\UNKORAT.EXE /SILENT "C:\bench-target\UNSETUP.INI"'
}

bare() { awk "BEGIN { printf \"%.2f\", $(wine 'C:\e2e-tools\bare_loop.exe' "$@" | tr -d '\r') / 1000 }"; }

# The least of each time over the repetitions: what a run adds is noise (the host's
# disk, its other work), never a saving, so the minimum is the truest figure.
repeat=${LORVEL_BENCH_REPEAT:-3}
least() { printf '%s\n' "$@" | grep -v '^-$' | sort -g | head -1 | grep . || echo -; }
# The least of each field of "total start finish" lines, field by field.
least_fields() {
  local lines=("$@")
  echo "$(least "${lines[@]%% *}") $(least $(printf '%s\n' "${lines[@]}" | cut -d' ' -f2)) $(least "${lines[@]##* }")"
}

counts=${LORVEL_BENCH_COUNTS:-1000 4000 10000}
declare -A bare_copy_of bare_delete_of rows_of
runs_of() { # kind: prints the install and uninstall functions of a way of running SETUP.EXE
  case $1 in
    wizard) echo "install_time uninstall_time" ;;
    silent) echo "silent_install_time silent_uninstall_time" ;;
    quiet) echo "quiet_install_time quiet_uninstall_time" ;;
  esac
}
# One way of running SETUP.EXE, count files, the least of the repetitions:
# "install start finish uninstall"; the wizard's start and finish are "-".
setup_least() {
  local kind=$1 count=$2 installs=() uninstalls=() run
  read -r install_run uninstall_run <<<"$(runs_of "$kind")"
  for _ in $(seq 1 "$repeat"); do
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    rm -f "$c/windows/UNKORAT.EXE"
    run=$($install_run)
    [ "$kind" = wizard ] && run="$run - -"
    installs+=("$run")
    [ "$(find "$c/bench-target" -name 'F*.DAT' | wc -l)" = "$count" ] ||
      { echo "the $kind install copied too few files" >&2; exit 1; }
    run=$($uninstall_run)
    uninstalls+=("${run%% *}")
    [ ! -e "$c/bench-target" ] || { echo "the $kind uninstall left the folder" >&2; exit 1; }
  done
  echo "$(least_fields "${installs[@]}") $(least "${uninstalls[@]}")"
}
# A row of the table: the N-file run, the same less its one-file run ("less one",
# which takes out start-up and completion), the ratio of that to the bare loop, and
# the start-up and finish of the N-file run where the files' times tell them.
row() {
  local name=$1 count=$2 run=$3 base=$4
  read -r i s f u <<<"$run"
  read -r bi _ _ bu <<<"$base"
  awk -v n="$name" -v count="$count" -v i="$i" -v bi="$bi" -v s="$s" -v f="$f" -v u="$u" -v bu="$bu" \
      -v bc="${bare_copy_of[$count]}" -v bd="${bare_delete_of[$count]}" 'BEGIN {
    if (s == "-") sf = sprintf("%7s %7s", "-", "-"); else sf = sprintf("%6.2fs %6.2fs", s, f)
    if (u == "-") un = sprintf("%9s %9s %6s", "-", "-", "-")
    else un = sprintf("%8.2fs %8.2fs %s", u, u - bu, ratio(u - bu, bd))
    printf "%-18s %6d %8.2fs %8.2fs %s %s   %s\n", n, count, i, i - bi, ratio(i - bi, bc), sf, un
  }
  function ratio(a, b) { return b > 0 ? sprintf("%6.2f", a / b) : sprintf("%6s", "-") }'
}

program=${programs[0]}
medium "$program" 1
declare -A setup_base
for kind in wizard silent quiet; do setup_base[$kind]=$(setup_least "$kind" 1); done
for count in $counts; do
  medium "$program" "$count"
  bare_copies=() bare_deletes=() own_copies=() write_onlies=()
  for _ in $(seq 1 "$repeat"); do
    rm -rf "$c/bench-bare"; mkdir -p "$c/bench-bare"
    bare_copies+=("$(bare copy 'C:\bench-medium' 'C:\bench-bare' "$count")")
    bare_deletes+=("$(bare delete 'C:\bench-bare' "$count")")
    own_copies+=("$(bare rawcopy 'C:\bench-medium' 'C:\bench-bare' "$count")")
    rm -rf "$c/bench-bare"; mkdir -p "$c/bench-bare"
    write_onlies+=("$(bare writeonly 'C:\bench-medium' 'C:\bench-bare' "$count")")
  done
  bare_copy_of[$count]=$(least "${bare_copies[@]}") bare_delete_of[$count]=$(least "${bare_deletes[@]}")
  # The bare loop's two cheaper kin: the copy written out by hand, and the writes alone
  # of an installer that carries its files inside itself (no source file to open).
  rows_of[$count]=$(awk -v count="$count" -v b="${bare_copy_of[$count]}" -v d="${bare_delete_of[$count]}" \
      -v o="$(least "${own_copies[@]}")" -v w="$(least "${write_onlies[@]}")" 'BEGIN {
    printf "%-18s %6d %9s %8.2fs %6.2f %7s %7s   %9s %8.2fs %6.2f\n", "bare loop", count, "-", b, 1, "-", "-", "-", d, 1
    printf "%-18s %6d %9s %8.2fs %s\n", "  own copy", count, "-", o, ratio(o, b)
    printf "%-18s %6d %9s %8.2fs %s", "  writes only", count, "-", w, ratio(w, b) }
    function ratio(a, b) { return b > 0 ? sprintf("%6.2f", a / b) : sprintf("%6s", "-") }')
  for kind in wizard silent quiet; do
    name="SETUP wizard"; [ "$kind" = silent ] && name="SETUP /SILENT"; [ "$kind" = quiet ] && name="SETUP /VERYSILENT"
    rows_of[$count]+=$'\n'"$(row "$name" "$count" "$(setup_least "$kind" "$count")" "${setup_base[$kind]}")"
  done
done

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
    [ "$count" = 1 ] || [[ $msi_counts == *" $count "* ]] || return 0
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
  # One peer's install and uninstall of count files: "install start finish uninstall".
  peer_run() {
    local peer=$1 count=$2 install uninstall
    case $peer in
      nsis)
        rm -rf "$c/bench-nsis"
        install=$(unattended_time 'run 0 C:\bench-peers\nsis.exe /S' "$c/bench-nsis")
        [ "$(landed "$c/bench-nsis")" = "$count" ] || { echo "the NSIS install copied too few files" >&2; exit 1; }
        # _?= keeps the uninstaller where it is and waits for it, instead of a copy in
        # the temporary folder that the shell could not wait for.
        uninstall=$(unattended_time 'run 0 C:\bench-nsis\uninst.exe /S _?=C:\bench-nsis')
        [ "$(landed "$c/bench-nsis")" = 0 ] || { echo "the NSIS uninstall left files" >&2; exit 1; }
        rm -rf "$c/bench-nsis"
        ;;
      msi)
        install=$(unattended_time 'run 0 msiexec /i C:\bench-peers\bench.msi /qn TARGETDIR=C:\' "$c/bench-msi")
        [ "$(landed "$c/bench-msi")" = "$count" ] || { echo "the MSI install copied too few files" >&2; exit 1; }
        uninstall=$(unattended_time 'run 0 msiexec /x C:\bench-peers\bench.msi /qn')
        [ "$(landed "$c/bench-msi")" = 0 ] || { echo "the MSI uninstall left files" >&2; exit 1; }
        ;;
    esac
    echo "$install ${uninstall%% *}"
  }
  # The least of each figure over the repetitions.
  peer_least() {
    local peer=$1 count=$2 installs=() uninstalls=() run
    for _ in $(seq 1 "$repeat"); do
      run=$(peer_run "$peer" "$count")
      installs+=("${run% *}") uninstalls+=("${run##* }")
    done
    echo "$(least_fields "${installs[@]}") $(least "${uninstalls[@]}")"
  }
  # msiexec with one component per file takes minutes at 10,000 files.
  msi_counts=" ${LORVEL_BENCH_MSI_COUNTS:-1000 4000} "
  declare -A peer_base
  peer_media 1
  for peer in nsis msi; do peer_base[$peer]=$(peer_least "$peer" 1); done
  for count in $counts; do
    peer_media "$count"
    for peer in nsis msi; do
      [ "$peer" = msi ] && [[ $msi_counts != *" $count "* ]] && continue
      rows_of[$count]+=$'\n'"$(row "$( [ "$peer" = nsis ] && echo "NSIS /S" || echo "MSI /qn")" "$count" \
        "$(peer_least "$peer" "$count")" "${peer_base[$peer]}")"
    done
  done
  rm -rf "$peers" "$c/bench-nsis" "$c/bench-msi"
fi

printf '%-18s %6s %9s %9s %6s %7s %7s   %9s %9s %6s\n' installer files install "less one" ratio start finish \
  uninstall "less one" ratio
for count in $counts; do printf '%s\n' "${rows_of[$count]}"; done
rm -rf "$c/bench-medium" "$c/bench-target" "$c/bench-bare"
wine reg delete "$key" /f >/dev/null 2>&1 || true
