source "$scenario/cleanup.sh"
cp "$components/args_writer.exe" "$media/VIEW.EXE"
# Another program's type for .LVA, which the record keeps to restore.
wine_reg add 'HKCR\.LVA' /ve /d lva_old_file /f >/dev/null
