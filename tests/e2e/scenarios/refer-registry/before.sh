# The folder a previous version left in the registry; its name has a kanji whose
# second byte is "\" in Shift-JIS.
wine_reg add 'HKLM\Software\LorvelE2E\App' /v InstallDir /d 'D:\アプリ\表示' /f >/dev/null
