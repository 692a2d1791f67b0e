# What an install of this product killed partway left: a folder it had made, a value
# it had written over the user's, and its journal saying so, as the program writes it.
rm -rf "$c_drive/e2e-interrupted" "$c_drive/e2e-leftover"
reg_delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EInterrupted' \
  'HKEY_CURRENT_USER\Software\LorvelE2EInterrupted'
mkdir -p "$c_drive/e2e-leftover"
printf 'copied by the run that was killed\r\n' > "$c_drive/e2e-leftover/A.TXT"
wine_reg add 'HKCU\Software\LorvelE2EInterrupted' /v V /t REG_SZ /d new /f >/dev/null
mkdir -p "$c_drive/windows/LVJOURNAL"
python3 - "$c_drive/windows/LVJOURNAL" <<'PY'
import hashlib, sys
def line(*fields):
    body = "".join(f.replace("%", "%25").replace("\t", "%09") + "\t" for f in fields)
    return body + hashlib.sha256(body.encode()).hexdigest()[:16] + "\n"
key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LorvelE2EInterrupted".upper()
name = hashlib.sha256(key.encode()).hexdigest()[:32] + ".JNL"
with open(sys.argv[1] + "/" + name, "w", newline="") as journal:
    journal.write(line("LVJOURNAL 1", "install"))
    journal.write(line("made", "C:\\e2e-leftover"))
    # HKEY_CURRENT_USER, the key, the value's name, and what it held: a string, "old".
    journal.write(line("value", str(0x80000001), "Software\\LorvelE2EInterrupted", "V", "1:old"))
PY
