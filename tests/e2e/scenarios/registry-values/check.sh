trap 'source "$scenario/cleanup.sh"' EXIT
# Sorted: the registry lists values in an order of its own. The key lists its
# values and then its subkey.
values=$(reg_query 'HKCU\Software\LorvelE2E\値' | sort)
expected=$(sort <<'END'

HKEY_CURRENT_USER\Software\LorvelE2E\値
    フォルダ    REG_SZ    C:\e2e-registry
    Folder    REG_SZ    C:\e2e-registry\
    Expand    REG_EXPAND_SZ    %SystemRoot%\試験
    Hex    REG_DWORD    0x10
    Minus    REG_DWORD    0xffffffff
    Bytes    REG_BINARY    78563412
    Plain    REG_SZ    版 2.0

HKEY_CURRENT_USER\Software\LorvelE2E\値\空
END
)
[ "$values" = "$expected" ] || fail "the values under HKCU are:
$values"
# Wine's reg prints nothing, not even the key's name, for a key without values.
empty=$(reg_query 'HKCU\Software\LorvelE2E\値\空') || fail "the key alone was not made"
if grep -q REG_ <<<"$empty"; then fail "the key alone holds values: $empty"; fi
default=$(reg_query 'HKLM\Software\LorvelE2E\既定' /ve)
grep -q '^    .*    REG_SZ    既定の値$' <<<"$default" || fail "the default value is: $default"
record=$c_drive/e2e-registry/UNSETUP.INI
[ "$(ini_section "$record" DeleteRegistry)" = 'Key1=(Cuser)Software\LorvelE2E
Key2=(Local)Software\LorvelE2E\既定' ] || fail "the record's keys are: $(ini_section "$record" DeleteRegistry)"
[ "$(ini_section "$record" AddDeleteFile)" = 'File1=C:\e2e-registry\*.LOG
File2=C:\windows\LORVELE2E.INI' ] || fail "the record's extra files are: $(ini_section "$record" AddDeleteFile)"
