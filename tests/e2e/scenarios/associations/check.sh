trap 'source "$scenario/cleanup.sh"' EXIT
# Each key's default value as "key<TAB>data", whatever the registry calls the default.
defaults() { reg_query "$@" | awk -F '    ' '/^HKEY/ {key=$0} $3 == "REG_SZ" {print key "\t" $4}'; }
written=$(defaults 'HKCR\.LVA'; defaults 'HKCR\LVA_auto_file' /s)
expected=$(printf '%s\t%s\n' \
  'HKEY_CLASSES_ROOT\.LVA' 'LVA_auto_file' \
  'HKEY_CLASSES_ROOT\LVA_auto_file' 'Lorvel試験文書' \
  'HKEY_CLASSES_ROOT\LVA_auto_file\DefaultIcon' 'C:\e2e relate\VIEW.EXE,0' \
  'HKEY_CLASSES_ROOT\LVA_auto_file\shell\open\command' '"C:\e2e relate\VIEW.EXE" %1')
[ "$written" = "$expected" ] || fail "the association reads:
$written"
for key in .LVB LVB_auto_file; do
  if wine_reg query "HKCR\\$key" >/dev/null 2>&1; then fail "HKCR\\$key was written although the answer was No"; fi
done
for record in "$media/FIRST.INI" "$c_drive/e2e relate/UNSETUP.INI"; do
  restore=$(ini_section "$record" RestoreRelate)
  [ "$restore" = 'Key1=LVA,lva_old_file' ] || fail "$(basename "$record")'s types to restore are: $restore"
done
