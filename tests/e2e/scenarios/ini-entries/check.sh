trap 'source "$scenario/cleanup.sh"' EXIT
[ -f "$c_drive/windows/LORVELINI.INI" ] || fail "the Windows folder's file is gone"
[ -f "$c_drive/e2e-ini/APP.INI" ] || fail "no APP.INI in the setup folder"
# A Shift-JIS file in UTF-8, each CR shown.
shown() { iconv -f CP932 -t UTF-8 < "$1" | sed 's/\r/<CR>/g'; }
# Compared byte for byte: Shift-JIS, CR LF, the comment and the blank line kept.
expected=$(printf '; 試験用の設定ファイル\r\n[設定]\r\nVersion=2.0\r\n言語=日本語\r\nフォルダ=C:\\e2e-ini\\\r\n\r\n[その他]\r\n色=青\r\n[新しい節]\r\nキー=値\r\n' |
  iconv -f UTF-8 -t CP932 | od -An -tx1)
actual=$(od -An -tx1 < "$c_drive/windows/LORVELINI.INI")
[ "$actual" = "$expected" ] || fail "the Windows folder's file holds:
$(shown "$c_drive/windows/LORVELINI.INI")"
expected=$(printf '[アプリ]\r\n起動=1\r\n' | iconv -f UTF-8 -t CP932 | od -An -tx1)
actual=$(od -An -tx1 < "$c_drive/e2e-ini/APP.INI")
[ "$actual" = "$expected" ] || fail "the setup folder's file holds:
$(shown "$c_drive/e2e-ini/APP.INI")"
