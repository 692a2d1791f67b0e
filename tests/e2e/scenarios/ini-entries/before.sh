source "$scenario/cleanup.sh"
# A profile file another program keeps in the Windows folder, as Windows writes them.
printf '; 試験用の設定ファイル\r\n[設定]\r\nVersion=1.0\r\n言語=日本語\r\n\r\n[その他]\r\n色=青\r\n' |
  iconv -f UTF-8 -t CP932 > "$c_drive/windows/LORVELINI.INI"
