# Runs killed partway, as a deployment tool's time limit or Task Manager ends them:
# the Linux process is killed (Wine's TerminateProcess lets a busy run go on). An
# install killed during its copy, started again unattended, then uninstalled from the
# list; an uninstall killed during its deletions, started again from the list. Each
# time the prefix's files and the counts end as they were before, and the run after
# the kill says what it found.
target=$c_drive/e2e-cut
shared_dir=$c_drive/e2e-cutshared
work=$c_drive/e2e-cut-work
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ECut'
shared_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
shared_value='C:\e2e-cutshared\SHARED.DAT'
files=1500
rm -rf "$target" "$shared_dir" "$work"
mkdir -p "$shared_dir" "$work"
reg_delete "$key"
# A file another program installed and counts once.
printf 'another program uses this\r\n' > "$shared_dir/SHARED.DAT"
wine_reg add "$shared_key" /v "$shared_value" /t REG_DWORD /d 1 /f >/dev/null
{
  printf '[Title]\r\nSetup=Cut\r\nUnSetup=LorvelE2ECut\r\n[DefaultFolder]\r\nFolder=C:\\e2e-cut\\\r\n'
  printf '[CopyFile]\r\nFile1=C:\\e2e-cutshared\\SHARED.DAT,/S\r\n'
  for i in $(seq 1 $files); do printf 'File%d=(App)F%05d.TXT\r\n' $((i + 1)) "$i"; done
} > "$media/SETUP.INI"
printf 'shared, newer\r\n' > "$media/SHARED.DAT"
for i in $(seq 1 $files); do printf 'file %d\r\n' "$i" > "$media/$(printf 'F%05d.TXT' "$i")"; done

count() { reg_query "$shared_key" /v "$shared_value" | awk '/REG_DWORD/ {print $3}'; }
ls_tree() { (cd "$c_drive" && find . -path ./users -prune -o -path ./windows -prune -o -print | grep -v -e '^./e2e/' -e '^./e2e-cut-work/' | sort); }
journals() { ls "$c_drive/windows/LVJOURNAL" 2>/dev/null || true; }
# Starts the program in the background and kills its Linux process once the setup
# folder holds between low and high files; fails when the run ends first.
kill_when() {
  local pattern=$1 low=$2 high=$3
  shift 3
  wine "$@" >/dev/null 2>&1 &
  local runner=$! seen=0 n
  for _ in $(seq 1 3000); do
    n=$(find "$target" -maxdepth 1 -name 'F*.TXT' 2>/dev/null | wc -l)
    if [ "$n" -ge "$low" ] && [ "$n" -le "$high" ]; then
      pkill -9 -f "$pattern" || true
      seen=$n
      break
    fi
    kill -0 "$runner" 2>/dev/null || break
    sleep 0.02
  done
  wait "$runner" 2>/dev/null || true
  [ "$seen" -gt 0 ] || fail "the run ended before it could be killed ($n files in the setup folder)"
  echo "$seen"
}

# The system's lists the runs change: installed programs and shared counts, whole.
reg_state() {
  reg_query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /s
  reg_query "$shared_key" /s
}
before=$(ls_tree)
registry_before=$(reg_state)

# An install killed during its copy.
seen=$(kill_when 'e2e.cut-off-runs.SETUP\.EXE' 100 $((files - 100)) "C:\\e2e\\$name\\SETUP.EXE" /VERYSILENT '/LOG=C:\e2e-cut-work\install1.log')
echo "e2e $name: install killed with $seen of $files files copied" >&2
# Its log holds every line up to the kill: the copy of the files seen on disk.
last=$(printf 'F%05d.TXT' $((seen - 1)))
grep -qF "Copying -> C:\e2e-cut\\$last" "$work/install1.log" ||
  fail "the killed install's log stops before $last: $(tail -3 "$work/install1.log")"
[ -n "$(journals)" ] || fail "the killed install left no journal"
code=$(run_unattended "C:\\e2e\\$name\\SETUP.EXE" /VERYSILENT '/LOG=C:\e2e-cut-work\install2.log')
[ "$code" = "$(wine_code 0)" ] || fail "the install after the kill ended with $code: $(cat "$work/install2.log")"
grep -qF 'question [中断された処理] 前回のセットアップが途中で終わっていたため' "$work/install2.log" ||
  fail "the install after the kill did not say what it found: $(cat "$work/install2.log")"
[ "$(count)" = 0x2 ] || fail "after the kill and a whole install the count reads '$(count)', not 2"
[ "$(find "$target" -name 'F*.TXT' | wc -l)" = $files ] || fail "the install after the kill did not copy every file"
quiet=$(reg_query "$key" /v QuietUninstallString | awk -F '    ' '$2 == "QuietUninstallString" {print $4}')
[[ $quiet =~ ^\"([^\"]+)\"\ /SILENT\ \"([^\"]+)\"$ ]] || fail "QuietUninstallString reads '$quiet'"
uninstaller=${BASH_REMATCH[1]}
record=${BASH_REMATCH[2]}
code=$(run_unattended "$uninstaller" /SILENT "$record" '/LOG=C:\e2e-cut-work\uninstall1.log')
[ "$code" = "$(wine_code 0)" ] || fail "the uninstall ended with $code: $(cat "$work/uninstall1.log")"
[ "$(ls_tree)" = "$before" ] || fail "the prefix's files differ from before: $(diff <(echo "$before") <(ls_tree))"
[ "$(reg_state)" = "$registry_before" ] || fail "the registry differs from before: $(diff <(echo "$registry_before") <(reg_state))"
[ -z "$(journals)" ] || fail "a journal was left: $(journals)"

# An uninstall killed during its deletions, started again from the list.
code=$(run_unattended "C:\\e2e\\$name\\SETUP.EXE" /VERYSILENT '/LOG=C:\e2e-cut-work\install3.log')
[ "$code" = "$(wine_code 0)" ] || fail "the install ended with $code: $(cat "$work/install3.log")"
seen=$(kill_when 'UNKORAT\.EXE' 100 $((files - 100)) "$uninstaller" /SILENT "$record" '/LOG=C:\e2e-cut-work\uninstall2.log')
echo "e2e $name: uninstall killed with $seen of $files files left" >&2
code=$(run_unattended "$uninstaller" /SILENT "$record" '/LOG=C:\e2e-cut-work\uninstall3.log')
[ "$code" = "$(wine_code 0)" ] || fail "the uninstall after the kill ended with $code: $(cat "$work/uninstall3.log")"
grep -qF 'question [中断された処理] 前回のアンセットアップ(アンインストール)が途中で終わっていたため' "$work/uninstall3.log" ||
  fail "the uninstall after the kill did not say what it found: $(cat "$work/uninstall3.log")"
[ "$(ls_tree)" = "$before" ] || fail "the prefix's files differ from before: $(diff <(echo "$before") <(ls_tree))"
[ "$(count)" = 0x1 ] || fail "the count was lowered twice: it reads '$(count)', not 1"
[ "$(reg_state)" = "$registry_before" ] || fail "the registry differs from before: $(diff <(echo "$registry_before") <(reg_state))"
[ -z "$(journals)" ] || fail "a journal was left: $(journals)"
wine_reg delete "$shared_key" /v "$shared_value" /f >/dev/null 2>&1
rm -rf "$shared_dir" "$work"
