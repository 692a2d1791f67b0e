# The medium packed into one signed program, downloaded into a folder that holds
# nothing else: installed quietly and uninstalled from the list, leaving the prefix as
# it was; the same file with one carried byte changed fails the signature and the
# program's own check, and installs nothing.
need_lorvel
command -v osslsigncode >/dev/null || fail "osslsigncode is missing"
work=$c_drive/e2e-single-work
download=$c_drive/e2e-download
target=$c_drive/e2e-single
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ESingle'
rm -rf "$work" "$download" "$target"
mkdir -p "$work/src" "$download"
seq 1 4000 | sed 's/$/ a line that compresses/' > "$work/src/TEXT.TXT"
head -c 300000 /dev/urandom > "$work/src/NOISE.BIN"
printf 'Read me.\r\n' > "$work/src/README.TXT"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Lorvel E2E Signer' \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || fail "openssl could not make a certificate"
"$lorvel_tool" pack "$scenario/pack/SETUP.INI" "$work/src" --single-file "$download/SETUP-1.0.EXE" \
  --setup-exe "$setup_exe" --sign --cert "$work/cert.pem" --key "$work/key.pem" > "$work/pack.txt" 2>&1 ||
  fail "lorvel pack --single-file failed: $(cat "$work/pack.txt")"
osslsigncode verify -CAfile "$work/cert.pem" -in "$download/SETUP-1.0.EXE" > "$work/verify.txt" 2>&1 ||
  fail "osslsigncode verify refused the signed file: $(cat "$work/verify.txt")"
"$lorvel_tool" verify "$download/SETUP-1.0.EXE" --ca-file "$work/cert.pem" > "$work/verify.txt" 2>&1 ||
  fail "lorvel verify refused it: $(cat "$work/verify.txt")"

before=$(mktemp)
after=$(mktemp)
ls_tree() { (cd "$c_drive" && find . -path ./users -prune -o -path ./windows -prune -o -print | grep -v '^./e2e' | sort); }
ls_tree > "$before"

code=$(run_unattended 'C:\e2e-download\SETUP-1.0.EXE' /VERYSILENT '/LOG=C:\e2e-single-work\install.log')
[ "$code" = "$(wine_code 0)" ] || fail "the single file's install ended with $code: $(cat "$work/install.log" 2>/dev/null)"
cmp -s "$target/NOISE.BIN" "$work/src/NOISE.BIN" || fail "NOISE.BIN was not installed as packed"
cmp -s "$target/TEXT.TXT" "$work/src/TEXT.TXT" || fail "TEXT.TXT was not installed as packed"
grep -qF '\MEDIUM\' "$work/install.log" || fail "the run did not read the unpacked medium: $(cat "$work/install.log")"
[ "$(ls "$download")" = SETUP-1.0.EXE ] || fail "the download folder gained files: $(ls "$download")"
ls "$temp_dir" | grep -q '^KRTMP' && fail "a work folder was left: $(ls "$temp_dir")"
# The uninstaller is the plain program, without the medium the download carries.
cmp -s "$c_drive/windows/UNKORAT.EXE" "$setup_exe" || fail "UNKORAT.EXE is not the plain SETUP.EXE"

quiet=$(reg_query "$key" /v QuietUninstallString | awk -F '    ' '$2 == "QuietUninstallString" {print $4}')
[[ $quiet =~ ^\"([^\"]+)\"\ /SILENT\ \"([^\"]+)\"$ ]] || fail "QuietUninstallString reads '$quiet'"
code=$(run_unattended "${BASH_REMATCH[1]}" /SILENT "${BASH_REMATCH[2]}" '/LOG=C:\e2e-single-work\uninstall.log')
[ "$code" = "$(wine_code 0)" ] || fail "the uninstall ended with $code: $(cat "$work/uninstall.log" 2>/dev/null)"
[ ! -e "$target" ] || fail "the setup folder is still there"
if wine_reg query "$key" >/dev/null 2>&1; then fail "the entry is still listed"; fi
if wine_reg query 'HKCU\Software\LorvelE2ESingle' >/dev/null 2>&1; then fail "the registry key is still there"; fi
ls_tree > "$after"
diff "$before" "$after" > "$work/diff.txt" || fail "the prefix's files differ from before: $(cat "$work/diff.txt")"
rm -f "$before" "$after"

# One carried byte changed after signing: a download damaged or tampered with.
python3 - "$download/SETUP-1.0.EXE" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
data[len(data) - 20000] ^= 0x01
open(path, 'wb').write(data)
PY
if osslsigncode verify -CAfile "$work/cert.pem" -in "$download/SETUP-1.0.EXE" >/dev/null 2>&1; then
  fail "osslsigncode accepted the changed file"
fi
if "$lorvel_tool" verify "$download/SETUP-1.0.EXE" --ca-file "$work/cert.pem" > "$work/verify.txt" 2>&1; then
  fail "lorvel verify accepted the changed file"
fi
grep -qF 'medium: FAILED' "$work/verify.txt" || fail "lorvel verify did not name the medium: $(cat "$work/verify.txt")"
code=$(run_unattended 'C:\e2e-download\SETUP-1.0.EXE' /VERYSILENT '/LOG=C:\e2e-single-work\damaged.log')
[ "$code" = "$(wine_code 1603)" ] || fail "the changed file's install ended with $code, not 1603"
grep -qF 'セットアップファイル破損' "$work/damaged.log" || fail "the log does not say the file is damaged: $(cat "$work/damaged.log")"
[ ! -e "$target" ] || fail "the changed file installed something: $(ls -R "$target")"
ls "$temp_dir" | grep -q '^KRTMP' && fail "a work folder was left: $(ls "$temp_dir")"
rm -rf "$work" "$download"
