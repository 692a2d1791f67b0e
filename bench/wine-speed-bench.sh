#!/usr/bin/env bash
# The real SETUP.EXE under Wine beside the bare loops and its peers, in one Wine
# session: N small files in one flat folder (SetupSpeed=1) installed and uninstalled
# by SETUP.EXE (by the wizard, /SILENT and /VERYSILENT), by an NSIS installer (amd64
# stub, or x86 in a pure 32-bit prefix, stored, silent /S) and by an MSI package (wixl,
# one component per file, x86 too in such a prefix) under Wine's msiexec /qn, each with its own uninstaller; beside bare_loop doing the least
# a copy (one existence check and one CopyFileW per file) or a delete (one DeleteFileW
# per file) can do on the same files in the same prefix.
#   bench/wine-speed-bench.sh [SETUP.EXE [EARLIER-SETUP.EXE]]
# An earlier build given second runs /VERYSILENT too, in the same rounds, as the row
# "earlier /VERYSILENT": what a change costs, side by side with the peers.
#   LORVEL_BENCH_COUNTS="1000 4000 10000"  LORVEL_BENCH_REPEAT=3 (each figure the least of as many runs)
#   LORVEL_BENCH_MSI_COUNTS="1000 4000" (the counts the MSI runs at)
#   LORVEL_BENCH_PEERS=0 leaves out the peers (they need Debian's nsis and wixl)
#   LORVEL_BENCH_WAYS="quiet" runs SETUP.EXE only so (of "wizard silent quiet")
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
# The earlier build, beside the current one on the same medium.
earlier_install_time() {
  unattended_time 'run 0 C:\bench-medium\EARLIER.EXE /VERYSILENT' "$c/bench-target"
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
ways=${LORVEL_BENCH_WAYS:-wizard silent quiet}
nsis_target=amd64-unicode msi_arch=x64 msi_win64=yes
[ "$LORVEL_WINE_ARCH" = win32 ] && nsis_target=x86-unicode msi_arch=x86 msi_win64=no
least() { printf '%s\n' "$@" | grep -v '^-$' | sort -g | head -1 | grep . || echo -; }
# The least of each field of "total start finish" lines, field by field.
least_fields() {
  local lines=("$@")
  echo "$(least "${lines[@]%% *}") $(least $(printf '%s\n' "${lines[@]}" | cut -d' ' -f2)) $(least "${lines[@]##* }")"
}

# "total start finish uninstall" lines, the least of each field.
least_runs() {
  local lines=() line
  while IFS= read -r line; do [ -n "$line" ] && lines+=("${line% *}"); done <<<"$1"
  echo "$(least_fields "${lines[@]}") $(least $(printf '%s\n' "$1" | awk 'NF { print $4 }'))"
}

counts=${LORVEL_BENCH_COUNTS:-1000 4000 10000}
peers_on=${LORVEL_BENCH_PEERS:-1}
# msiexec with one component per file takes minutes at 10,000 files.
msi_counts=" ${LORVEL_BENCH_MSI_COUNTS:-1000 4000} "
peers=$c/bench-peers
runs_of() { # kind: prints the install and uninstall functions of a way of running SETUP.EXE
  case $1 in
    wizard) echo "install_time uninstall_time" ;;
    silent) echo "silent_install_time silent_uninstall_time" ;;
    quiet) echo "quiet_install_time quiet_uninstall_time" ;;
    earlier) echo "earlier_install_time quiet_uninstall_time" ;;
  esac
}
# One install and uninstall of count files by one way of running SETUP.EXE:
# "install start finish uninstall"; the wizard's start and finish are "-".
setup_run() {
  local kind=$1 count=$2 run install
  read -r install_run uninstall_run <<<"$(runs_of "$kind")"
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  rm -f "$c/windows/UNKORAT.EXE"
  install=$($install_run)
  [ "$kind" = wizard ] && install="$install - -"
  [ "$(find "$c/bench-target" -name 'F*.DAT' | wc -l)" = "$count" ] ||
    { echo "the $kind install copied too few files" >&2; exit 1; }
  run=$($uninstall_run)
  [ ! -e "$c/bench-target" ] || { echo "the $kind uninstall left the folder" >&2; exit 1; }
  echo "$install ${run%% *}"
}
# The bare loops on count files: "copy delete own-copy writes-only", in seconds.
bare_run() {
  local count=$1 copy delete own
  rm -rf "$c/bench-bare"; mkdir -p "$c/bench-bare"
  copy=$(bare copy 'C:\bench-medium' 'C:\bench-bare' "$count")
  delete=$(bare delete 'C:\bench-bare' "$count")
  own=$(bare rawcopy 'C:\bench-medium' 'C:\bench-bare' "$count")
  rm -rf "$c/bench-bare"; mkdir -p "$c/bench-bare"
  echo "$copy $delete $own $(bare writeonly 'C:\bench-medium' 'C:\bench-bare' "$count")"
  rm -rf "$c/bench-bare"
}

if [ "$peers_on" != 0 ]; then
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
fi
# The peers' own media: the same flat files, packed as each installer packs them.
peer_media() {
  local count=$1 i
  rm -rf "$peers"
  mkdir -p "$peers/files"
  for i in $(seq 1 "$count"); do echo "small file $i" > "$peers/files/F$i.DAT"; done
  {
    # A pure 32-bit prefix runs no 64-bit program: the peer is then the x86 stub.
    printf 'Unicode true\nTarget %s\nSetCompress off\nName "Bench"\nOutFile "%s"\n' "$nsis_target" "$peers/nsis.exe"
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
      printf '<Component Id="C%d" Guid="*" Win64="%s"><File Id="F%d" Source="files/F%d.DAT" KeyPath="yes"/></Component>\n' \
        "$i" "$msi_win64" "$i" "$i"
    done
    printf '</Directory></Directory>\n<Feature Id="All" Level="1">\n'
    for i in $(seq 1 "$count"); do printf '<ComponentRef Id="C%d"/>\n' "$i"; done
    printf '</Feature>\n</Product>\n</Wix>\n'
  } > "$peers/bench.wxs"
  # wixl takes the files' paths relative to where it runs.
  (cd "$peers" && wixl -a "$msi_arch" -o bench.msi bench.wxs 2>/dev/null) ||
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

# Each round runs every installer once, in turn, and the next round starts one
# installer later, so what the host's disk does meanwhile (writing back the last
# run's files, say) falls on each of them alike and no installer always follows the
# same one. The figures are the least of each installer's rounds.
declare -A runs_of_installer
installers_at() { # count: the installers that run at that count
  local list="bare $ways"
  [ ${#programs[@]} -gt 1 ] && list+=" earlier"
  if [ "$peers_on" != 0 ]; then
    list+=" nsis"
    [ "$1" = 1 ] || [[ $msi_counts == *" $1 "* ]] && list+=" msi"
  fi
  echo "$list"
}
run_installer() { # installer count
  case $1 in
    bare) bare_run "$2" ;;
    wizard | silent | quiet | earlier) setup_run "$1" "$2" ;;
    *) peer_run "$1" "$2" ;;
  esac
}
rounds() { # count
  local count=$1 list round i n
  read -r -a list <<<"$(installers_at "$count")"
  n=${#list[@]}
  for round in $(seq 0 $((repeat - 1))); do
    for i in $(seq 0 $((n - 1))); do
      local installer=${list[$(((i + round) % n))]}
      [ "$count" = 1 ] && [ "$installer" = bare ] && continue
      runs_of_installer["$count $installer"]+="$(run_installer "$installer" "$count")"$'\n'
    done
  done
}

program=${programs[0]}
for count in 1 $counts; do
  medium "$program" "$count"
  [ ${#programs[@]} -gt 1 ] && cp "${programs[1]}" "$c/bench-medium/EARLIER.EXE"
  [ "$peers_on" != 0 ] && peer_media "$count"
  rounds "$count"
done

# A row of the table: the N-file run, the same less its one-file run ("less one",
# which takes out start-up and completion), the ratio of that to the bare loop, and
# the start-up and finish of the N-file run where the files' times tell them.
row() {
  local name=$1 count=$2 run=$3 base=$4 bc=$5 bd=$6
  read -r i s f u <<<"$run"
  read -r bi _ _ bu <<<"$base"
  awk -v n="$name" -v count="$count" -v i="$i" -v bi="$bi" -v s="$s" -v f="$f" -v u="$u" -v bu="$bu" \
      -v bc="$bc" -v bd="$bd" 'BEGIN {
    if (s == "-") sf = sprintf("%7s %7s", "-", "-"); else sf = sprintf("%6.2fs %6.2fs", s, f)
    if (u == "-") un = sprintf("%9s %9s %6s", "-", "-", "-")
    else un = sprintf("%8.2fs %8.2fs %s", u, u - bu, ratio(u - bu, bd))
    printf "%-18s %6d %8.2fs %8.2fs %s %s   %s\n", n, count, i, i - bi, ratio(i - bi, bc), sf, un
  }
  function ratio(a, b) { return b > 0 ? sprintf("%6.2f", a / b) : sprintf("%6s", "-") }'
}
name_of() {
  case $1 in
    wizard) echo "SETUP wizard" ;; silent) echo "SETUP /SILENT" ;; quiet) echo "SETUP /VERYSILENT" ;;
    earlier) echo "earlier /VERYSILENT" ;;
    nsis) echo "NSIS /S" ;; msi) echo "MSI /qn" ;;
  esac
}

printf '%-18s %6s %9s %9s %6s %7s %7s   %9s %9s %6s\n' installer files install "less one" ratio start finish \
  uninstall "less one" ratio
for count in $counts; do
  bares=${runs_of_installer["$count bare"]}
  least_of() { least $(printf '%s\n' "$bares" | awk -v f="$1" 'NF { print $f }'); }
  b=$(least_of 1) d=$(least_of 2) o=$(least_of 3) w=$(least_of 4)
  # The bare loop's two cheaper kin: the copy written out by hand, and the writes alone
  # of an installer that carries its files inside itself (no source file to open). Then
  # the least a run with a window may take: the script's SetupSpeed=1 after each file,
  # which the wizard and /SILENT keep for the person reading their texts.
  awk -v count="$count" -v b="$b" -v d="$d" -v o="$o" -v w="$w" 'BEGIN {
    printf "%-18s %6d %9s %8.2fs %6.2f %7s %7s   %9s %8.2fs %6.2f\n", "bare loop", count, "-", b, 1, "-", "-", "-", d, 1
    printf "%-18s %6d %9s %8.2fs %s\n", "  own copy", count, "-", o, ratio(o, b)
    printf "%-18s %6d %9s %8.2fs %s\n", "  writes only", count, "-", w, ratio(w, b)
    printf "%-18s %6d %9s %8.2fs %s\n", "  pauses, shown", count, "-", count / 1000, ratio(count / 1000, b) }
    function ratio(a, b) { return b > 0 ? sprintf("%6.2f", a / b) : sprintf("%6s", "-") }'
  for installer in $(installers_at "$count"); do
    [ "$installer" = bare ] && continue
    row "$(name_of "$installer")" "$count" "$(least_runs "${runs_of_installer["$count $installer"]}")" \
      "$(least_runs "${runs_of_installer["1 $installer"]}")" "$b" "$d"
  done
done
rm -rf "$c/bench-medium" "$c/bench-target" "$c/bench-bare" "$peers" "$c/bench-nsis" "$c/bench-msi"
wine reg delete "$key" /f >/dev/null 2>&1 || true
