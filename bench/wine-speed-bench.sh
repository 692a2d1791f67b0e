#!/usr/bin/env bash
# The real SETUP.EXE under Wine against the bare loops, in one run: 1,000 and 4,000
# small files in one flat folder installed (SetupSpeed=1) through to the completion
# message, then uninstalled from the record, each beside bare_loop doing the least a
# copy (one existence check and one copy per file) or a delete (one deletion per
# file) can do on the same files in the same prefix.
#   bench/wine-speed-bench.sh [SETUP.EXE ...]   several programs are measured side by side
#   LORVEL_BENCH_COUNTS="1000 4000"  LORVEL_BENCH_REPEAT=3 (each figure the least of as many runs)
# Run after a windows (or, without 32-bit Wine, windows64) build.
#
# The copy phase is the install's time less that of an install of one file (start-up,
# the fixed pauses, the completion) and less the per-file SetupSpeed pauses, which
# bare_loop measures as Sleep(1) per file; the removal likewise the uninstall's time
# less that of an uninstall of one file. A difference means something only when both
# runs start alike, so one Wine session stays up for the whole benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine-env.sh
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
  local program=$1 count=$2
  rm -rf "$c/bench-medium" "$c/bench-target"
  mkdir -p "$c/bench-medium"
  cp "$program" "$c/bench-medium/SETUP.EXE"
  {
    printf '[Title]\r\nSetup=Bench\r\n[Extend]\r\nSetupSpeed=1\r\n[DefaultFolder]\r\nFolder=C:\\bench-target\r\n[CopyFile]\r\n'
    for i in $(seq 1 "$count"); do printf 'File%d=(App)F%d.DAT\r\n' "$i" "$i"; done
  } > "$c/bench-medium/SETUP.INI"
  for i in $(seq 1 "$count"); do echo "small file $i" > "$c/bench-medium/F$i.DAT"; done
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

bare() { awk "BEGIN { printf \"%.2f\", $(wine 'C:\e2e-tools\bare_loop.exe' "$@" | tr -d '\r') / 1000 }"; }

# The least of each time over the repetitions: what a run adds is noise (the host's
# disk, its other work), never a saving, so the minimum is the truest figure.
repeat=${LORVEL_BENCH_REPEAT:-3}
least() { printf '%s\n' "$@" | sort -g | head -1; }

printf '%-12s %6s %9s %9s %9s %9s %6s   %9s %9s %9s %6s\n' program files install pauses copying bare ratio \
  uninstall removing bare ratio
quiet_rows=()
for program in "${programs[@]}"; do
  label=$(cd "$(dirname "$program")/../../../.." && basename "$(pwd)")
  medium "$program" 1
  base_installs=() base_uninstalls=()
  for _ in $(seq 1 "$repeat"); do
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    rm -f "$c/windows/UNKORAT.EXE"
    base_installs+=("$(install_time)")
    base_uninstalls+=("$(uninstall_time)")
  done
  base_install=$(least "${base_installs[@]}")
  base_uninstall=$(least "${base_uninstalls[@]}")
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
rm -rf "$c/bench-medium" "$c/bench-target" "$c/bench-bare"
wine reg delete "$key" /f >/dev/null 2>&1 || true
